#!/usr/bin/env python3
"""Builds the seed corpora of the fuzz targets from the test fixtures and device sample files.

Run from anywhere: python3 fuzz/tools/make_seeds.py. Seeds are small valid inputs; the fuzzer
grows the corpus from them. Regression inputs (fuzz/corpus/<target>/regress-*) are kept apart
and never rewritten here.
"""
import hashlib
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
DEVICE = os.path.join(ROOT, "tools", "device-data", "device", "Program Files", "Quorvan")
CRYPTO = os.path.join(ROOT, "base", "tests", "crypto", "data")
SIMKEYS = os.path.join(ROOT, "tools", "simserver", "keys")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "seed-" + name), "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def header(total, code, enc=0, status=b"00"):
    return struct.pack(">IH", total, code) + b"4" + bytes([1, 0, 1, 1]) + status + bytes([enc, 0])


def packet(code, body=b"", enc=0, status=b"00"):
    return header(15 + len(body), code, enc, status) + body


def plain_record(data, seq=1):
    """Plain text of a data record: sequence, length, data, padding."""
    p = (16 - (len(data) + 7) % 16) % 16
    return struct.pack(">IH", seq, len(data)) + data + bytes([p]) * (p + 1)


# analy_recv_packet: mode byte, room (2 bytes), packet.
room = struct.pack(">H", 4096)
keep_alive = packet(1100)
put("fuzz_recv_packet", "keepalive", b"\x01" + room + keep_alive)
put("fuzz_recv_packet", "keepalive-slot", b"\x00" + room + keep_alive)
put("fuzz_recv_packet", "stock-base", b"\x01" + room + packet(4101, b"005930" + bytes(range(40))))
put("fuzz_recv_packet", "server-message", b"\x01" + room + packet(4020, "오류      안내".encode("cp949")[:14].ljust(14) + "비밀번호가 틀립니다".encode("cp949"), status=b"99"))
put("fuzz_recv_packet", "enciphered", b"\x03" + room + header(0, 4020, 1) + plain_record(b"login body 0001"))
put("fuzz_recv_packet", "small-room", b"\x01" + struct.pack(">H", 3) + packet(4101, b"abcdef"))

# analy_recv_key: mode byte, record.
cert = read(os.path.join(SIMKEYS, "test_server.der"))
cert_part = bytes([0]) + bytes([1]) + struct.pack(">H", len(cert)) + cert
put("fuzz_session_key", "certificate", b"\x00" + bytes([10, 2, 0]) + struct.pack(">H", len(cert_part)) + cert_part)
skip_part = bytes([3, 9, 9, 9]) + bytes([1]) + struct.pack(">H", len(cert)) + cert
put("fuzz_session_key", "certificate-skip", b"\x00" + bytes([10, 2, 0]) + struct.pack(">H", len(skip_part)) + skip_part)
rand = bytes(range(32))
sid = b"SESSION0"
token = bytes([2, 0, len(rand)]) + rand + bytes([len(sid)]) + sid + bytes([1, 0x21, 0]) + bytes(20) + bytes(20)
put("fuzz_session_key", "server-token", b"\x01" + bytes([2, 2, 0]) + struct.pack(">H", len(token)) + token)
put("fuzz_session_key", "server-token-unsealed", b"\x00" + bytes([2, 2, 0]) + struct.pack(">H", len(token)) + token)

# decode_data: mode, room (2), last sequence, then plain text (mode 1) or a record.
for name, data in [("nine", b"123456789"), ("ten", b"0123456789"), ("empty", b""), ("long", bytes(range(256)) * 3)]:
    put("fuzz_session_data", "sealed-" + name, b"\x01" + room + b"\x00" + plain_record(data))
put("fuzz_session_data", "sealed-replay", b"\x01" + room + b"\x05" + plain_record(b"abc", seq=5))
raw = bytes([3, 2, 0]) + struct.pack(">H", 1 + 8 + 2 + 16 + 20) + bytes([8]) + b"LARKSPIN" + struct.pack(">H", 16) + bytes(36)
put("fuzz_session_data", "raw", b"\x00" + room + b"\x00" + raw)

# Certificates: the test certificates as they are.
for name in sorted(os.listdir(CRYPTO)):
    if name.endswith(".der"):
        put("fuzz_certificate", name, read(os.path.join(CRYPTO, name)))
for name in ("test_ca.der", "test_server.der"):
    put("fuzz_certificate", name, read(os.path.join(SIMKEYS, name)))

# Signature: mode 1 with the block that must be accepted for a digest, in both DigestInfo forms.
digest = hashlib.sha1(b"abc").digest()
k = 128  # the 1,024-bit test key
info = bytes.fromhex("3021300906052b0e03021a05000414")
info_nn = bytes.fromhex("301f300706052b0e03021a0414")
for name, i in (("with-null", info), ("without-null", info_nn)):
    block = b"\x00\x01" + b"\xff" * (k - 3 - len(i) - 20) + b"\x00" + i + digest
    put("fuzz_signature", "block-" + name, b"\x01" + digest + block)
put("fuzz_signature", "raw", b"\x00" + digest + bytes(k))

# Framing: byte streams of whole packets, 4-byte and 2-byte lengths.
def stream4(*lengths):
    out = b""
    for n, length in enumerate(lengths):
        body = bytes((n * 7 + i) & 0xFF for i in range(max(0, length - 6)))
        out += (struct.pack(">IH", length, 4101) + body)[:max(length, 4)]
    return out


def stream2(*lengths):
    out = b""
    for n, length in enumerate(lengths):
        out += (struct.pack(">H", length) + bytes((n + i) & 0xFF for i in range(max(0, length - 2))))[:max(length, 2)]
    return out


put("fuzz_frame4", "three", stream4(15, 40, 100))
put("fuzz_frame4", "full-slot", stream4(4096, 15))
put("fuzz_frame4", "oversize", struct.pack(">I", 5000) + bytes(4996) + stream4(20))
put("fuzz_frame4", "ring-wrap", stream4(*([16] * 9)))
put("fuzz_frame4", "cut", stream4(30)[:20])
put("fuzz_frame2", "three", stream2(9, 30, 200))
put("fuzz_frame2", "full-slot", stream2(4096, 9))
put("fuzz_frame2", "oversize", struct.pack(">H", 5000) + bytes(4998) + stream2(12))
put("fuzz_frame2", "runt", stream2(9) + struct.pack(">H", 3))

# Device files.
put("fuzz_config_file", "pelvato", read(os.path.join(DEVICE, "Bin", "Pelvato.conf")))
put("fuzz_config_file", "edges", b"KEY=before\n[SERVER INFO\n  INTERNET SERVER =  1.2.3.4 \n[A]x=[b]\nK=v /* c\n\tTAB\t=\tv\n")
put("fuzz_menu_file", "menu", read(os.path.join(DEVICE, "Bin", "menu.conf")))
put("fuzz_menu_file", "edges", "1010:시세:1010:\n1010:현재가:4101:ZR4101.dll\n# x\nno marks\n1020:a:92001:b:c.dll\n".encode("cp949"))
put("fuzz_code_file", "stock", read(os.path.join(DEVICE, "Code", "stock_code.dat"))[:1500])
put("fuzz_code_file", "ecn", read(os.path.join(DEVICE, "Code", "ecn_code.dat"))[:1500])
put("fuzz_options_code_file", "options", read(os.path.join(DEVICE, "Code", "options_code.dat"))[:1500])
put("fuzz_options_code_file", "edges", b"201C3185 2 200310      72.5 C\r\n201C3190 2 200312    999.99\nshort\n"
    b"201C3195 2 200310     -1.00 x\n301C3185 3 200310    160.00\n")
put("fuzz_code_file", "edges", "A05930 0|삼성|전자\r\nshort\n123456 Z\n000660 0|하이닉스".encode("cp949"))
hist = "".join("%d$%s$ \n" % (i, n) for i, n in ((4101, "현재가"), (92001, "주문"), (90100, "홈"))).encode("cp949")
put("fuzz_quickmove_file", "history", struct.pack(">H", 4101) + hist)
put("fuzz_quickmove_file", "eleven", struct.pack(">H", 0) + b"".join(b"%d$s%d$ \n" % (i, i) for i in range(1, 12)))

# Updater: version-server replies in pieces, and local list files.
def ver_record(kind, name, version, size):
    return kind + name.ljust(31, b"\0")[:31] + version + struct.pack(">I", size)


def pieces(kind, data, per=4087):
    chunks = [data[i:i + per] for i in range(0, len(data), per)] or [b""]
    out = b""
    for n, c in enumerate(chunks, 1):
        out += struct.pack(">HBBBHH", 9 + len(c), kind, ord("4"), 0, len(chunks), n) + c
    return out


recs = [ver_record(b"1", b"stock_code.dat", b"000102", 6603), ver_record(b"2", b"ZR4101.dll", b"000105", 120000)]
list_reply = struct.pack(">I", len(recs)) + b"".join(recs)
put("fuzz_updater_reply", "list", b"\x00" + struct.pack(">I", 0) + pieces(1, list_reply))
put("fuzz_updater_reply", "list-split", b"\x00" + struct.pack(">I", 0) + pieces(1, list_reply, per=30))
file_body = b"2" + b"ZR4101.dll".ljust(31, b"\0") + bytes(range(256)) * 20
put("fuzz_updater_reply", "file", b"\x01" + struct.pack(">I", len(file_body) - 32) + pieces(2, file_body))
local = bytes(38) + struct.pack("<I", len(recs)) + b"".join(recs)
put("fuzz_updater_reply", "local-list", b"\x02" + struct.pack(">I", 0) + local)
verlist = os.path.join(DEVICE, "Bin", "verlist.dat")
if os.path.exists(verlist):
    put("fuzz_updater_reply", "verlist", b"\x02" + struct.pack(">I", 0) + read(verlist))

# Screen replies (mode byte, packet): base quote 4101, a server message, the screen's own reply.
base4101 = "삼성전자".encode("cp949").ljust(12, b" ") + struct.pack(">i", 71000) + b"\x00\x00" + struct.pack(">i", 1234567) \
    + b"2" + struct.pack(">i", 500) + struct.pack(">i", 250012) + struct.pack(">i", 1200) + b"1" \
    + struct.pack(">i", 80055) + struct.pack(">i", -300) + b"5"
assert len(base4101) == 45
message = "안내".encode("cp949").ljust(14, b" ") + "주문이 거부되었습니다".encode("cp949")
for target in ("fuzz_screen_reply", "fuzz_screen_plain"):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    put(target, "base-quote-short", b"\x00" + packet(4101, base4101[:20]))
    put(target, "server-message", b"\x00" + packet(4020, message, status=b"99"))
    put(target, "own-reply", b"\x00" + packet(4998, b"init"))
    put(target, "header-only", b"\x00" + packet(4101))
put("fuzz_screen_reply", "enciphered-base-quote", b"\x01" + header(0, 4101, 1) + plain_record(base4101))
put("fuzz_screen_reply", "enciphered-message", b"\x01" + header(0, 4020, 1, b"99") + plain_record(message))

# Quote screens: base quote, order books 6100, the last trades 4140 and the pushes.
def net2(v):
    return struct.pack(">hh", v // 10000, v % 10000)


def net3(v):
    return struct.pack(">hhh", v // 100000000, v // 10000 % 10000, v % 10000)


def book6100(levels):
    side = b""
    for s in (0, 1):
        prices = b"".join(net2(71500 + (100 if s == 0 else -100) * (i + s)) for i in range(levels))
        side += prices + b"2" * levels + b"".join(net3(100 + i) for i in range(levels)) + bytes(4 * levels) + net3(999)
    return side + net3(99) + net3(98)


tick9110 = b"005930" + net2(71600) + net3(1240097) + bytes(13) + b"2" + net2(600) + net2(140) + bytes(20) + bytes([9, 0, 1])
book9120 = b"005930" + b"".join(net2(71500 + 100 * i) for i in range(5)) + b"".join(net2(71400 - 100 * i) for i in range(5)) \
    + b"".join(net3(100 + i) for i in range(10)) + net3(500) + net3(600) + net3(50) + net3(60)
book9121 = b"005930" + b"".join(net2(71500 + 100 * i) for i in range(10)) + b"".join(net2(71400 - 100 * i) for i in range(10)) \
    + b"".join(net3(100 + i) for i in range(20)) + net3(500) + net3(600)
index9210 = b"00001" + net2(250019) + b"2" + net2(969) + bytes(9) + b"02001" + net2(85034) + b"5" + net2(476) + bytes(9)
ticks4140 = bytes(6) + bytes([2]) + (bytes([9, 0, 1]) + net2(71600) + b"2" + net2(600) + net3(30) + net3(1240097)) * 2
assert len(tick9110) == 61 and len(book9120) == 130 and len(book9121) == 218
for target, book, push in (("fuzz_vx2001", 5, (9120, book9120)), ("fuzz_zr4105", 10, (9121, book9121))):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    put(target, "order-book", b"\x00" + packet(6100, book6100(book)))
    put(target, "book-push", b"\x00" + packet(push[0], b"\x01" + push[1]))
    put(target, "tick-push", b"\x00" + packet(9110, b"\x01" + tick9110))
    put(target, "tick-push-count-255", b"\x00" + packet(9110, b"\xff" + tick9110))
    put(target, "index-push", b"\x00" + packet(9210, b"\x02" + index9210))
    put(target, "server-message", b"\x00" + packet(9110, message, status=b"99"))
put("fuzz_vx2001", "ticks", b"\x00" + packet(4140, ticks4140))

# Futures/options books and boards: the base quote 5555, the 5102 / 5151 book, the pushes, the
# option lists with a count beyond the rows held, the strike board.
def float2(v):
    return struct.pack(">hh", int(v / 100), v % 100 if v >= 0 else -((-v) % 100))


base5555 = float2(18700) + float2(50) + b"2" + float2(350) + float2(30) + b"2" + net3(20350) + float2(18525) \
    + float2(125) + b"2"
book5102 = b"".join(net2(3) for _ in range(5)) + net2(15) + b"".join(net2(20 + i) for i in range(5)) + net2(110) \
    + b"".join(float2(350 + 5 * i) for i in range(5)) + b"22222" + b"".join(net2(2) for _ in range(5)) + net2(10) \
    + b"".join(net2(30 + i) for i in range(5)) + net2(160) + b"22222" + b"".join(float2(345 - 5 * i) for i in range(5))
push9x21 = b"\x00" + b"201C3185" + b"".join(float2(350 + 5 * i) for i in range(5)) \
    + b"".join(float2(345 - 5 * i) for i in range(5)) + b"".join(net3(20 + i) for i in range(10)) + net3(110) + net3(160) \
    + b"".join(net2(3) for _ in range(10)) + net2(15) + net2(10)
trade9x10 = b"201C3185" + float2(360) + net3(20351) + bytes(12) + float2(40) + bytes(4) + b"2" + bytes(23)
row31 = b"201C3185" + float2(350) + float2(30) + b"2" + float2(350) + float2(345) + net3(20350)
row43 = b"201C3185" + float2(350) + float2(30) + b"2" + net3(20350) + float2(350) + net2(20) + float2(345) + net2(30) \
    + net2(1500)
assert len(base5555) == 33 and len(book5102) == 146 and len(push9x21) == 169 and len(trade9x10) == 62
for target, own in (("fuzz_zr5102", 5102), ("fuzz_zr5151", 5151)):
    put(target, "base-quote", b"\x00" + packet(5555, base5555))
    put(target, "order-book", b"\x00" + packet(own, book5102))
    put(target, "book-push", b"\x00" + packet(9321 if own == 5102 else 9421, push9x21))
    put(target, "trade-push", b"\x00" + packet(9310 if own == 5102 else 9410, b"\x02" + trade9x10 * 2))
    put(target, "index-push", b"\x00" + packet(9210, b"\x02" + index9210.replace(b"00001", b"01001")))
    put(target, "server-message", b"\x00" + packet(own, message, status=b"99"))
for target, own in (("fuzz_zr5100", 5100), ("fuzz_zr5154", 5154)):
    put(target, "list", b"\x00" + packet(own, bytes([2, 3]) + row31 * 2))
    put(target, "list-count-255", b"\x00" + packet(own, bytes([255, 2]) + row31))
    put(target, "base-quote", b"\x00" + packet(5555, base5555))
put("fuzz_zr5100", "futures-list", b"\x00" + packet(5105, bytes([1]) + row31))
put("fuzz_zr5155", "strike-board", b"\x00" + packet(5155, bytes([9]) + row43 * 9))
put("fuzz_zr5155", "base-quote", b"\x00" + packet(5555, base5555))
# The futures and option detail: whole replies, a negative basis and sensitivities, a reply one byte
# short, a server message.
detail5101 = float2(18650) + net3(1940499) + net2(4248) + b"2" + net2(20) + float2(18525) + float2(125) + b"2" \
    + b"".join(float2(v) for v in (19580, 17720, 20515, 16785, 20196, 17158)) \
    + b"".join(float2(v) + s for v, s in ((18655, b"2"), (18705, b"2"), (18650, b"3"))) + bytes([7, 3, 8]) \
    + net2(14) + float2(-1234) + float2(35) + float2(18560) + b"5" + float2(75)
detail5150 = float2(320) + net3(7122) + net2(4214) + b"5" + net2(217) + bytes(9) + float2(415) + float2(225) \
    + b"".join(float2(v) + s for v, s in ((325, b"2"), (355, b"2"), (320, b"3"))) + float2(352) + b"2" \
    + b"".join(net2(v) for v in (506250, 39750, 199500, -250000, 5600)) + float2(2150) + float2(2005)
assert len(detail5101) == 91 and len(detail5150) == 84
for target, own, body in (("fuzz_zr5101", 5101, detail5101), ("fuzz_zr5150", 5150, detail5150)):
    put(target, "detail", b"\x00" + packet(own, body))
    put(target, "short", b"\x00" + packet(own, body[:-1]))
    put(target, "base-quote", b"\x00" + packet(5555, base5555))
    put(target, "server-message", b"\x00" + packet(own, message, status=b"99"))

# Futures/options time and sales and daily history: a page with its key, the closing trades, a
# count beyond the rows held, a page without a key slot, a push of another screen, a server message.
fo_tick = bytes([23, 59, 58]) + float2(18700) + float2(50) + b"2" + net3(3) + net3(20754)
fo_day = bytes([26, 12, 10]) + float2(18700) + float2(50) + b"2" + struct.pack(">hh", -2, 30) + float2(18650) \
    + float2(18720) + float2(18610) + net3(20754) + net2(91234)
assert len(fo_tick) == 24 and len(fo_day) == 38
fo_pages = {5103: bytes([1, 1]) + b"0021" + bytes([2]) + fo_tick * 2, 5104: bytes([1, 1, 26, 11, 27, 2]) + fo_day * 2}
for target, code, kind in (("fuzz_zr5103", 5103, 5103), ("fuzz_zr5152", 5152, 5103), ("fuzz_zr5104", 5104, 5104),
                           ("fuzz_zr5153", 5153, 5104)):
    page = fo_pages[kind]
    count_at = 6 if kind == 5103 else 5
    put(target, "base-quote", b"\x00" + packet(5555, base5555))
    put(target, "page", b"\x00" + packet(code, page))
    put(target, "count-255", b"\x00" + packet(code, page[:count_at] + b"\xff" + page[count_at + 1:]))
    put(target, "page-0", b"\x00" + packet(code, b"\x00" + page[1:]))
    put(target, "short-head", b"\x00" + packet(code, page[:count_at]))
    put(target, "tick-push", b"\x00" + packet(9310, b"\x01" + trade9x10))
    put(target, "server-message", b"\x00" + packet(code, message, status=b"99"))

# Stock chart replies: bars with a -1 average, a count beyond the bars held, a negative count.
bar5002 = bytes([49, 12, 31]) + net2(71000) + net2(72000) + net2(70000) + net2(71500) + net2(-1) + net2(71000) \
    + net2(-1) + net3(12345678)
assert len(bar5002) == 37
put("fuzz_zr5002", "daily-bars", b"\x00" + packet(2510, bytes(18) + bytes([2]) + bar5002 * 2))
put("fuzz_zr5002", "minute-bars-count-127", b"\x00" + packet(2500, bytes(18) + bytes([127]) + bar5002 * 3))
put("fuzz_zr5002", "negative-count", b"\x00" + packet(2530, bytes(18) + b"\xfd" + bar5002))
# Futures/options chart replies: bars in hundredths with averages of -100 and a bar without
# trades, a count beyond the bars held, a negative count, the base quote 5555, a server message.
bar5500 = bytes([3, 1, 6]) + float2(7500) + float2(7600) + float2(7400) + float2(7535) + float2(7510) + float2(-100) \
    + float2(-100) + net3(120)
flat5500 = bytes([3, 1, 7]) + float2(7535) + float2(7900) + float2(7000) + float2(7700) + float2(-100) * 3 + net3(0)
assert len(bar5500) == 37 and len(flat5500) == 37
put("fuzz_zr5500", "futures-daily-bars", b"\x00" + packet(5510, bytes(8) + bytes([2]) + bar5500 + flat5500))
put("fuzz_zr5500", "minute-bars-count-127", b"\x00" + packet(5500, bytes(8) + bytes([127]) + bar5500 * 3))
put("fuzz_zr5500", "options-negative-count", b"\x00" + packet(5550, bytes(8) + b"\xfd" + bar5500))
put("fuzz_zr5500", "base-quote", b"\x00" + packet(5555, base5555))
put("fuzz_zr5500", "server-message", b"\x00" + packet(5510, message, status=b"99"))
# The paged list screens: a page with its key, a count beyond the body, a page without a key slot,
# a push of another screen, a server message.
ticks_page = bytes([1, 1, 0, 0, 0x7E, 0x9B]) + ticks4140[6:]
day4130 = bytes([26, 12, 10]) + net2(71500) + b"5" + net2(150) + struct.pack(">hh", -1, -50) + net3(123456)
daily_page = bytes([1, 1, 2, 26, 11, 27]) + day4130 * 2
for target, code, page in (("fuzz_zr4150", 4140, ticks_page), ("fuzz_zr4130", 4130, daily_page)):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    put(target, "page", b"\x00" + packet(code, page))
    put(target, "count-255", b"\x00" + packet(code, page[:2] + (b"\xff" + page[3:] if code == 4130 else page[2:6] + b"\xff" + page[7:])))
    put(target, "page-200", b"\x00" + packet(code, b"\xc8" + page[1:]))
    put(target, "tick-push", b"\x00" + packet(9110, b"\x01" + tick9110))
    put(target, "server-message", b"\x00" + packet(code, message, status=b"99"))

# The ranking screens: a page of items, a count beyond the body, a more flag other than 0 or 1,
# a server message.
price_item = b"005930" + "삼성전자".encode("cp949").ljust(12, b"\0") + net2(71500) + net2(500) + b"2" + bytes(4) + net3(1240067)
investor_item = "삼성전자".encode("cp949").ljust(14, b"\0") + net3(3250000) + net3(2180000) + net3(1070000)
ecn_item = "삼성전자".encode("cp949").ljust(12, b"\0") + net2(71500) + net2(500) + b"2" + net3(62003) + net3(4433214500) \
    + net2(1234) + net2(2345)
assert len(price_item) == 37 and len(investor_item) == 32 and len(ecn_item) == 41
for target, code, item in (("fuzz_vx4190", 4190, price_item), ("fuzz_vx4180", 4180, price_item),
                           ("fuzz_vx4600", 4600, investor_item), ("fuzz_zr4170", 4170, ecn_item)):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    put(target, "page", b"\x00" + packet(code, bytes([1, 2]) + item * 2))
    put(target, "count-127", b"\x00" + packet(code, bytes([0, 127]) + item))
    put(target, "more-7", b"\x00" + packet(code, bytes([7, 1]) + item))
    put(target, "server-message", b"\x00" + packet(code, message, status=b"99"))
# The news screens: a headline page, a search page, an article, announcements, their text and the
# indices; counts beyond the bodies; server messages.
news_row = bytes([26, 12, 10, 15, 30, 0]) + b"NW00000000020" + "연합뉴스".encode("cp949").ljust(50, b"\0") \
    + "삼성전자, 4분기 실적".encode("cp949").ljust(132, b"\0")
assert len(news_row) == 201
notice_row = b"D000000025" + "삼성전자 분기보고서".encode("cp949").ljust(255, b"\0") + bytes([26, 12, 10, 15, 30, 7])
assert len(notice_row) == 271
index_row = "KOSPI".encode("cp949").ljust(10, b"\0") + struct.pack(">hh", 2500, 12) + struct.pack(">hh", 9, 62) + b"2" + net3(412385)
assert len(index_row) == 25
news_list = b"Y" + news_row[:19] + bytes(3) + bytes([2]) + news_row * 2
news_search = bytes([1]) + b"N" + bytes(20) + bytes([2]) + news_row * 2
news_text = bytes([3]) + b"  first line\r\n".ljust(132, b"\0") + b"\tsecond".ljust(132, b" ") + b"third".ljust(132, b"\0")
notice_list = bytes([2, 0]) + b"20261210150000" + notice_row * 2
notice_text = bytes([2]) + b"first\r".ljust(255, b" ") + b"second".ljust(255, b"\0")
for target, replies in (("fuzz_vx4620", ((4620, news_list), (4625, news_search), (4630, news_text))),
                        ("fuzz_vx4630", ((4640, notice_list), (4650, notice_text))),
                        ("fuzz_vx4250", ((4640, notice_list), (4650, notice_text), (4175, bytes([1]) + index_row)))):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    for code, body in replies:
        put(target, "reply-%d" % code, b"\x00" + packet(code, body))
        put(target, "count-127-%d" % code, b"\x00" + packet(code, body[:23] + b"\x7f" + body[24:] if code == 4620 else b"\x7f" + body[1:]))
        put(target, "server-message-%d" % code, b"\x00" + packet(code, message, status=b"99"))
# The ECN price, expected execution, market summary and index lists: a reply as the server
# sends it, counts beyond the body, a reply one byte short, a push of another screen.
ecn4160 = bytes(6) + struct.pack(">hh", -1, -50) + bytes(4) + net2(71000) + bytes(4) + net3(5969782550) \
    + net3(62003) + net2(3090) + net2(2000) + b"5" + net2(1500)
ecn_tick = bytes([23, 59, 58]) + net2(100) + net2(460) + net2(150) + net3(62003)
ecn4165 = bytes(6) + bytes([2]) + ecn_tick * 2
expected2250 = net2(71500) + b"2" + net2(500) + net3(150) + net2(70) + net2(71500) + net2(71400) + net3(3090) \
    + net3(2000) + net2(71500) + b"2" + net2(500) + net3(1240067) + net2(5000) + net2(71000) + net2(92300) \
    + net2(49700) + net2(70500) + net2(72000) + net2(70500)
block4210 = net2(2500_12) + net2(9_62) + b"2" + struct.pack(">HHHHH", 2, 0, 1, 0, 1) + net3(739371066000) + net3(4949268)
line4210 = net2(185_25) + b"2" + net2(1_25) + net3(4949268)
summary4210 = block4210 * 2 + line4210 * 2
sector = "음식료품".encode("cp949").ljust(12, b"\0") + net2(2132_12) + net2(2_43) + b"5" + struct.pack(">hh", 0, -11) \
    + net3(1000000) + net3(5000000000) + struct.pack(">HHHHH", 3, 1, 2, 0, 1)
sectors4200 = bytes([1, 2]) + sector * 2
foreign = "다우존스".encode("cp949").ljust(14, b"\0") + net2(9842_35) + net2(4_23) + b"2" + net3(245300000)
foreign4176 = bytes([3]) + foreign * 3
assert len(ecn4160) == 47 and len(ecn_tick) == 21 and len(expected2250) == 82 and len(summary4210) == 92
assert len(sector) == 47 and len(foreign) == 29
for target, replies in (("fuzz_zr4160", ((4160, ecn4160, None), (4165, ecn4165, 6))),
                        ("fuzz_vx0521", ((2250, expected2250, None),)),
                        ("fuzz_zr4210", ((4210, summary4210, None),)),
                        ("fuzz_zr4200", ((4200, sectors4200, 1),)),
                        ("fuzz_zr4220", ((4176, foreign4176, 0),))):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    for code, body, count_at in replies:
        put(target, "reply-%d" % code, b"\x00" + packet(code, body))
        put(target, "short-%d" % code, b"\x00" + packet(code, body[:-1]))
        if count_at is not None:
            put(target, "count-255-%d" % code, b"\x00" + packet(code, body[:count_at] + b"\xff" + body[count_at + 1:]))
        put(target, "server-message-%d" % code, b"\x00" + packet(code, message, status=b"99"))
    put(target, "tick-push", b"\x00" + packet(9110, b"\x01" + tick9110))

# The investor, day-list and broker screens: their replies, a count beyond the body, a key page
# whose more flag is neither 0 nor 1, all-zero investor figures, a server message.
net4610 = net2(-1523) + net2(-3120) + net2(2210) + net2(4505) + net2(-687) + net2(-1385)
trend_day = bytes([26, 12, 10]) + net2(250012) + net2(962) + b"2" + net2(-1523) + net2(2210) + net2(-687)
foreign_day = bytes([26, 12, 10]) + net2(71500) + net2(500) + b"2" + net2(70) + net2(3456) + net3(-12345)
profile4230 = "삼성전자".encode("cp949").ljust(19, b"\0") + (net2(71000) + b"3") + (net2(71600) + b"2") \
    + (net2(70900) + b"5") + net2(100) + net2(92300) + net2(49700) + net3(4268394) + net3(5969782550) \
    + (net2(72000) + b"2") + (net2(69000) + b"5") \
    + ("삼성증권".encode("cp949").ljust(10, b"\0") + net3(124006) + "키움증권".encode("cp949").ljust(10, b"\0") + net3(5)) * 5
assert len(net4610) == 24 and len(trend_day) == 24 and len(foreign_day) == 26 and len(profile4230) == 228
put("fuzz_vx4610", "base-quote", b"\x00" + packet(4101, base4101))
put("fuzz_vx4610", "net-buying", b"\x00" + packet(4610, net4610))
put("fuzz_vx4610", "all-zero", b"\x00" + packet(4610, bytes(24)))
put("fuzz_vx4610", "server-message", b"\x00" + packet(4610, message, status=b"99"))
for target, code, day in (("fuzz_vx4240", 4240, trend_day), ("fuzz_vx4140", 4150, foreign_day)):
    put(target, "base-quote", b"\x00" + packet(4101, base4101))
    put(target, "page", b"\x00" + packet(code, bytes([1, 1, 2, 26, 11, 30]) + day * 2))
    put(target, "count-127", b"\x00" + packet(code, bytes([1, 1, 127, 26, 11, 30]) + day))
    put(target, "more-7", b"\x00" + packet(code, bytes([1, 7, 1, 26, 11, 30]) + day))
    put(target, "server-message", b"\x00" + packet(code, message, status=b"99"))
put("fuzz_vx4230", "base-quote", b"\x00" + packet(4101, base4101))
put("fuzz_vx4230", "profile", b"\x00" + packet(4230, profile4230))
put("fuzz_vx4230", "short", b"\x00" + packet(4230, profile4230[:100]))
put("fuzz_vx4230", "server-message", b"\x00" + packet(4230, message, status=b"99"))

# The interest list: a group of items, a count beyond the records, a code that is not digits,
# pushes of two items and of none in the list, the indices, a server message.
def item2110(code, name, price, sign, change):
    return code + name.ljust(10, b"\0") + sign + net2(price) + net2(change) + bytes(8) + net2(70) + net3(1240067) + bytes(12)


items2110 = item2110(b"005930", b"Samsung", 71500, b"2", 500) + item2110(b"000660", b"Hynix", 128500, b"5", 1500)
assert len(items2110) == 110
put("fuzz_vx4110", "base-quote", b"\x00" + packet(4101, base4101))
put("fuzz_vx4110", "list", b"\x00" + packet(2110, bytes(2) + bytes([2]) + items2110))
put("fuzz_vx4110", "list-count-255", b"\x00" + packet(2110, bytes(2) + b"\xff" + items2110))
put("fuzz_vx4110", "list-bad-code", b"\x00" + packet(2110, bytes(2) + bytes([1]) + b"0A5930" + items2110[6:55]))
put("fuzz_vx4110", "tick-push-two", b"\x00" + packet(9110, b"\x02" + tick9110 + b"000660" + tick9110[6:]))
put("fuzz_vx4110", "tick-push-other", b"\x00" + packet(9110, b"\x01" + b"068270" + tick9110[6:]))
put("fuzz_vx4110", "index-push", b"\x00" + packet(9210, b"\x02" + index9210))
put("fuzz_vx4110", "server-message", b"\x00" + packet(2110, message, status=b"99"))

# The interest-group editor: a group of two rows, a count above the ten rows kept, a negative
# count, a code that is not digits, a server message.
row2111 = b"005930" + "삼성전자".encode("cp949").ljust(16, b"\0")
assert len(row2111) == 22
put("fuzz_vx4112", "group", b"\x00" + packet(2111, bytes([2]) + row2111 + b"000660" + row2111[6:]))
put("fuzz_vx4112", "count-12", b"\x00" + packet(2111, bytes([12]) + row2111 * 12))
put("fuzz_vx4112", "negative", b"\x00" + packet(2111, b"\xfd" + row2111))
put("fuzz_vx4112", "bad-code", b"\x00" + packet(2111, bytes([1]) + b"00A930" + row2111[6:]))
put("fuzz_vx4112", "server-message", b"\x00" + packet(2111, message, status=b"99"))
put("fuzz_vx4112", "tick-push", b"\x00" + packet(9110, b"\x01" + tick9110))

# Login replies: key reply (server token, certificate), login reply with accounts, server message.
accounts = [b"1234567801", b"1234567802", b"5555000003"]
login_body = bytes(30) + bytes([len(accounts)]) + b"".join(accounts)
put("fuzz_login_reply", "key-token", b"\x02" + packet(1000, bytes([2, 2, 0]) + struct.pack(">H", len(token)) + token))
put("fuzz_login_reply", "key-certificate", b"\x02" + packet(1000, bytes([10, 2, 0]) + struct.pack(">H", len(cert_part)) + cert_part))
put("fuzz_login_reply", "login", b"\x01" + header(0, 4020, 1) + plain_record(login_body))
put("fuzz_login_reply", "login-plain", b"\x00" + packet(4020, login_body))
put("fuzz_login_reply", "server-message", b"\x00" + packet(4020, message, status=b"99"))

# The futures/options order and account screens (enciphered replies, mode bit 0): an order number,
# a modify's new number, a page of orders with a count beyond the body, positions, the deposit, a
# base quote 5555, a server message.
def fo_text(text, width):
    return text.encode("cp949")[:width].ljust(width, b"\0")
base5555 = net2(187) + net2(0) + b"2" + net2(187) + net2(0) + b"2" + net3(20187) + net2(185) + net2(1) + b"2"
fo_order = fo_text("100001", 6) + fo_text("", 8) + fo_text("KP200 F 0703", 22) + fo_text("매수", 12) \
    + fo_text("지정가", 12) + fo_text("5", 9) + fo_text("186.00", 13) + fo_text("0", 9) + fo_text("0.00", 13) \
    + fo_text("5", 9) + fo_text("접수", 8)
fo_position = fo_text("101C3000", 8) + fo_text("KP200 F 0703", 40) + fo_text("매수", 10) + fo_text("2", 13) \
    + fo_text("2", 13) + fo_text("186.50", 13)
assert len(fo_order) == 121 and len(fo_position) == 97 and len(base5555) == 33
fo_deposit = b"1234567803" + bytes(20) + b"".join(net3(v) for v in range(16))
for target, code, body in (("fuzz_zr5300", 5300, b"1234567803100001"),
                           ("fuzz_zr5302", 5302, b"1234567803100001100002"),
                           ("fuzz_zr5304", 5304, b"1234567803\0N\x07NEXT7\0\0\0\0\0\0\0" + fo_order * 2),
                           ("fuzz_zr5401", 5401, b"1234567803\0N\x0f" + fo_position * 2),
                           ("fuzz_zr5400", 5400, fo_deposit)):
    body += bytes(-len(body) % 16)  # the target seals whole 16-byte blocks
    put(target, "reply", b"\x01" + packet(code, body, enc=1))
    put(target, "short", b"\x01" + packet(code, body[:20], enc=1))
    put(target, "base-quote", b"\x00" + packet(5555, base5555))
    put(target, "server-message", b"\x01" + packet(code, message, enc=1, status=b"99"))
