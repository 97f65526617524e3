#!/usr/bin/env python3
"""Writes the sample device data of Larkspin: the configuration file, the menu file, the
item-code lists, the updater's local version list and the version server's served list.

The generated files are committed next to this script; run it again after changing a table here:
    python3 tools/device-data/make_device_data.py
Korean text is written in code page 949 and text files end their lines with CR LF, as on the
handheld. The output is the same on every run.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DEVICE = os.path.join(HERE, "device")
BIN = os.path.join(DEVICE, "Program Files", "Quorvan", "Bin")
CODE = os.path.join(DEVICE, "Program Files", "Quorvan", "Code")
SERVED = os.path.join(HERE, "version-server", "current")
VARIANT = os.path.join(HERE, "version-server", "newer-screen")
VARIANT_CORE = os.path.join(HERE, "version-server", "newer-core")
VARIANT_CODES = os.path.join(HERE, "version-server", "newer-codes")
NEW_LISTING = ("096040", "1", "이노시뮬레이션")  # the item that the newer stock list adds

MAIN_PORT = 28100
VERSION_PORT = 28101
VERSION = "070301"        # version of every file the device is installed with
NEWER_VERSION = "070315"  # the newer screen plug-in of the "newer-screen" variant

CONFIG = [
    "/* Pelvato: servers, folders, item-code files and the updater's files */",
    "[SERVER INFO]",
    "/* one server per carrier for dial-up, one for a network connection */",
    "INTERNET SERVER=127.0.0.1",
    "SKT SERVER=127.0.0.2",
    "KTF SERVER=127.0.0.3",
    "LGT SERVER=127.0.0.4",
    "MAIN PORT NUMBER=%d" % MAIN_PORT,
    "VERMAN PORT NUMBER=%d" % VERSION_PORT,
    "",
    "[SETUP INFO]",
    "SETUP BASE=\\Program Files\\Quorvan",
    "SETUP EXE=\\Program Files\\Quorvan\\Bin",
    "",
    "[CODE INFO]",
    "CODE BASE=\\Program Files\\Quorvan\\Code",
    "STOCK CODE=stock_code.dat",
    "ECN CODE=ecn_code.dat",
    "FUTURES CODE=futures_code.dat",
    "OPTIONS CODE=options_code.dat",
    "",
    "[UPDATE INFO]",
    "LIST FILE=verlist.dat",
    "/* paths from the root folder, where the updater leaves new core files */",
    "MAIN FILE=\\VXMain.exe",
    "UPDATE FILE=\\ZRUpdate.exe",
    "BASE FILE=\\VXBase.dll",
    "LOGIN FILE=\\VXLogin.dll",
    "QMOVE FILE=\\Flitway.dll",
    "UTIL FILE=\\Glimmet_DLL_arm.dll",
]

# Main-menu groups: number in the file, caption.
GROUPS = [
    (1010, "시세"), (1020, "주문"), (1030, "체/잔"), (1040, "시황"), (1050, "ECN"),
    (1060, "선/옵"), (1070, "F시세"), (1080, "O시세"), (1090, "주문"), (1100, "계좌"),
    (1110, "챠트"), (1120, "주식"),
]
# Screens: group, name, navigation id, plug-in file. Group 1000 is no button: screens reached
# only by id (start-up, login, settings, and a second id of the futures/options positions).
SCREENS = [
    (1000, "현재가", 90100, "VX2001.dll"),
    (1000, "로그인", 90101, "VXLogin.dll"),
    (1000, "접속설정", 90103, "ZR1022.dll"),
    (1000, "선옵미결제", 96020, "ZR5401.dll"),
    (1010, "관심종목", 91001, "VX4110.dll"),
    (1010, "관심그룹설정", 91002, "VX4112.dll"),
    (1010, "현재가", 92001, "VX2001.dll"),
    (1010, "체결추이", 92003, "ZR4150.dll"),
    (1010, "10단계호가", 92005, "ZR4105.dll"),
    (1010, "일별시세", 92007, "ZR4130.dll"),
    (1010, "예상체결", 92009, "VX0521.dll"),
    (1010, "거래원/종목정보", 92011, "VX4230.dll"),
    (1010, "외국인보유추이", 92013, "VX4140.dll"),
    (1020, "현금매수", 93001, "ZR4310.dll"),
    (1020, "현금매도", 93002, "VX4300.dll"),
    (1020, "정정주문", 93101, "ZR4320.dll"),
    (1020, "취소주문", 93102, "ZR4330.dll"),
    (1030, "주문체결조회", 93103, "ZR4340.dll"),
    (1030, "잔고평가", 94001, "ZR4400.dll"),
    (1030, "주문가능잔고", 94002, "ZR4410.dll"),
    (1030, "매도가능잔고", 94650, "ZR4460.dll"),
    (1030, "계좌이체", 94101, "ZR4430.dll"),
    (1030, "이체신청조회", 94102, "ZR4440.dll"),
    (1040, "시장종합", 92101, "ZR4210.dll"),
    (1040, "업종지수", 92103, "ZR4200.dll"),
    (1040, "해외지수", 92105, "ZR4220.dll"),
    (1040, "등락률순위", 92107, "VX4190.dll"),
    (1040, "상하한종목", 92109, "VX4180.dll"),
    (1040, "투자자별순위", 92111, "VX4600.dll"),
    (1040, "투자자별순매수", 92113, "VX4610.dll"),
    (1040, "일별투자자동향", 92115, "VX4240.dll"),
    (1040, "종목뉴스", 92117, "VX4620.dll"),
    (1040, "공시", 92119, "VX4630.dll"),
    (1040, "뉴스/공시", 92121, "VX4250.dll"),
    (1050, "ECN매도", 93104, "ZR4350.dll"),
    (1050, "ECN매수", 93105, "ZR4360.dll"),
    (1050, "ECN취소", 93106, "ZR4380.dll"),
    (1050, "ECN현재가", 94641, "ZR4160.dll"),
    (1050, "ECN순위", 94643, "ZR4170.dll"),
    (1070, "선물현재가", 96001, "ZR5101.dll"),
    (1070, "선물호가", 96002, "ZR5102.dll"),
    (1070, "선물체결추이", 96003, "ZR5103.dll"),
    (1070, "선물일별추이", 96004, "ZR5104.dll"),
    (1080, "옵션현재가", 96005, "ZR5150.dll"),
    (1080, "옵션호가", 96006, "ZR5151.dll"),
    (1080, "옵션체결추이", 96007, "ZR5152.dll"),
    (1080, "옵션일별추이", 96008, "ZR5153.dll"),
    (1080, "옵션전광판", 96009, "ZR5100.dll"),
    (1080, "월물별옵션", 96010, "ZR5154.dll"),
    (1080, "행사가별옵션", 96011, "ZR5155.dll"),
    (1090, "선옵매도", 96012, "ZR5300.dll"),
    (1090, "선옵매수", 96013, "ZR5301.dll"),
    (1090, "선옵정정", 96014, "ZR5302.dll"),
    (1090, "선옵취소", 96015, "ZR5303.dll"),
    (1100, "선옵주문체결", 96016, "ZR5304.dll"),
    (1100, "선옵미결제", 96019, "ZR5401.dll"),
    (1100, "예탁금/증거금", 96021, "ZR5400.dll"),
    (1110, "주식챠트", 92020, "ZR5002.dll"),
    (1110, "선옵챠트", 96030, "ZR5500.dll"),
]

# Stock items: 6-character code, market class ('0' KOSPI, '1' KOSDAQ), name.
KOSPI = """
005930 삼성전자|000660 하이닉스|005380 현대차|005490 POSCO|015760 한국전력|017670 SK텔레콤
030200 KT|055550 신한지주|060000 국민은행|000270 기아차|012330 현대모비스|051910 LG화학
066570 LG전자|034220 LG필립스LCD|009540 현대중공업|000830 삼성물산|010950 S-Oil|003550 LG
000810 삼성화재|006400 삼성SDI|009150 삼성전기|010140 삼성중공업|028050 삼성엔지니어링
000720 현대건설|004020 현대제철|011170 호남석유|000100 유한양행|000120 대한통운|003490 대한항공
001040 CJ|004170 신세계|023530 롯데쇼핑|002790 아모레퍼시픽|033780 KT&G|036460 한국가스공사
034020 두산중공업|000150 두산|042660 대우조선해양|047050 대우인터내셔널|047040 대우건설
006800 대우증권|016360 삼성증권|003450 현대증권|005940 우리투자증권|053000 우리금융
086790 하나금융지주|024110 기업은행|004940 외환은행|032640 LG데이콤|011070 LG이노텍
018880 한라공조|000880 한화|009830 한화석유화학|001450 현대해상|005830 동부화재|000060 메리츠화재
078930 GS|006360 GS건설|001800 오리온|004370 농심|005300 롯데칠성|004990 롯데제과|007310 오뚜기
002380 KCC|010130 고려아연|001230 동국제강|004800 효성|011780 금호석유|000210 대림산업
012450 삼성테크윈|001120 LG상사|008770 호텔신라|069960 현대백화점|003600 SK|011790 SKC
006120 SK케미칼|001740 SK네트웍스|000640 동아제약|006280 녹십자|000990 동부하이텍
042670 두산인프라코어|010620 현대미포조선|009240 한샘|021240 웅진코웨이|016880 웅진홀딩스
003620 쌍용차|005180 빙그레|002270 롯데푸드|007160 사조산업|001680 대상|002320 한진
003030 세아제강|004490 세방전지|003300 한일시멘트|000890 보해양조|001530 동일방직
002350 넥센타이어|000240 한국타이어|002240 고려제강|000480 조선내화|001940 KISCO홀딩스
004700 조광피혁|002920 유성기업|005010 휴스틸|003240 태광산업|006650 대한유화|004000 삼성정밀화학
005720 넥센|003920 남양유업|005610 삼양식품|003230 삼양사|001680 대상|000070 삼양홀딩스
002020 코오롱|004150 한솔제지|009200 무림페이퍼|000050 경방|001460 BYC|008060 대덕전자
000660 하이닉스|001440 대한전선|000500 가온전선|001210 금호전기|009460 한창제지|004560 현대비앤지스틸
007700 F&F|005880 대한해운|011200 현대상선|003280 흥아해운|000700 유수홀딩스|008350 남선알미늄
002360 SH에너지화학|002700 신일산업|001520 동양|006220 제주은행|000400 롯데손해보험
001060 JW중외제약|002390 한독|000020 동화약품|003850 보령제약|009290 광동제약|002210 동성제약
000520 삼일제약|004310 현대약품|003120 일성신약|000220 유유제약|001360 삼성제약|005500 삼진제약
007570 일양약품|003000 부광약품|002720 국제약품|000230 일동제약|006620 동구바이오제약
004590 한국가구|008600 윌비스|003200 일신방직|001380 SG충남방적|004830 덕성|005820 원림
007540 샘표|006090 사조오양|004540 깨끗한나라|001790 대한제당|003680 한성기업|005740 크라운해태
002840 미원상사|006980 우성사료|009770 삼정펄프|000180 성창기업|004360 세방|002100 경농
003830 대한화섬|002410 범양건영|001260 남광토건|002990 금호산업|000970 한국주철관|004250 NPC
000650 천일고속|002600 조흥|016800 퍼시스|005810 풍산홀딩스|004090 한국석유|003570 S&T중공업
"""
KOSDAQ = """
035420 NHN|035720 다음|068270 셀트리온|053800 안철수연구소|036570 엔씨소프트|032500 케이엠더블유
035760 CJ홈쇼핑|034230 파라다이스|033630 하나로텔레콤|041510 에스엠|039030 이오테크닉스
046890 서울반도체|058470 리노공업|036830 솔브레인|043150 바텍|078340 컴투스|036930 주성엔지니어링
041920 메디아나|084990 바이로메드|032190 다우데이타|030520 한글과컴퓨터|054620 AP시스템
038540 상상인|033290 코웰패션|037460 삼지전자|036540 SFA반도체|039200 오스코텍|042000 카페24
047560 이스트소프트|049070 인탑스|050110 캠시스|051500 CJ프레시웨이|052400 코나아이
053030 바이넥스|054050 농우바이오|056190 에스에프에이|058630 엠게임|060250 NHN한국사이버결제
063570 한국전자금융|064260 다나와|065150 대산F&B|066700 테라젠이텍스|067630 HLB생명과학
069080 웹젠|072020 중앙백신|078130 국일제지|079940 가비아|080160 모두투어|083450 GST
086450 동국제약|086520 에코프로|089600 나스미디어|090710 휴림로봇|091700 파트론|092040 아미코젠
095660 네오위즈|096530 씨젠|097520 엠씨넥스|098460 고영|040300 YTN|030350 드래곤플라이
025980 아난티|027710 팜스토리|032620 유비케어|033310 엠투엔|036200 유니셈|038390 레드캡투어
039340 한국경제TV|041440 현대에버다임|043370 평화정공|045390 대아티아이|046440 KG모빌리언스
048410 현대바이오|051360 토비스|053610 프로텍|054780 키이스트|056360 코위버|060150 인선이엔티
064090 에프앤리퍼블릭|067080 대화제약|068760 셀트리온제약|069330 유아이디|071460 위니아딤채
073490 이노와이어리스|078070 유비쿼스홀딩스|082270 젬백스|084110 휴온스글로벌|086900 메디톡스
019210 와이지-원|023160 태광|024060 흥구석유|025870 신라에스지|028300 에이치엘비|031330 에스에이엠티
032960 동일기연|033160 엠케이전자|035600 KG이니시스|036010 아비코전자|037230 한국팩키지
038160 팍스넷|039290 인포뱅크|041020 인프라웨어|042420 네오위즈홀딩스|043910 자연과환경
045060 오공|046070 코다코|047310 파워로직스|049480 오픈베이스|050890 쏠리드|051380 피씨디렉트
052020 에스티큐브|053060 세동|054040 한국컴퓨터|057030 와이비엠넷|060230 이그잭스
3S|058610 에스피지|060720 KH바텍|066130 하츠|068790 DMS|069510 에스텍|079960 동양이엔피
"""
# ECN items: KOSPI 200 items (class '0') and KOSDAQ 50 items (class '1').
ECN_KOSPI = ["005930", "000660", "005380", "005490", "015760", "017670", "030200", "055550",
             "060000", "000270", "012330", "051910", "066570", "009540", "000830", "010950",
             "003550", "000810", "006400", "009150", "010140", "000720", "004020", "003490",
             "004170", "023530", "033780", "036460", "034020", "042660", "006800", "016360",
             "053000", "086790", "024110", "078930", "004370", "010130", "004800", "003620"]
ECN_KOSDAQ = ["035420", "035720", "068270", "053800", "036570", "032500", "046890", "036830",
              "078340", "036930", "030520", "069080", "095660", "033630", "080160", "086520"]


def cp949(text):
    return text.encode("cp949")


def write_text(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = b"".join(cp949(line) + b"\r\n" for line in lines)
    with open(path, "wb") as f:
        f.write(data)
    return data


def parse_stocks(block, market):
    items, seen = [], set()
    for part in block.replace("\n", "|").split("|"):
        part = part.strip()
        if not part:
            continue
        code, _, name = part.partition(" ")
        if not name:  # a company whose name is its own code-less entry: give it a free code
            code, name = "0%05d" % (90000 + len(items)), part
        if code in seen:
            continue
        seen.add(code)
        items.append((code, market, name))
    return items


def stock_lines(items):
    lines = []
    for code, market, name in items:
        assert len(code) == 6 and code[0] == "0", code
        line = "%s %s|%s" % (code, market, name)
        assert len(cp949(line)) <= 48, line
        lines.append(line)
    return lines


def with_preferred(items, count):
    """Adds the preferred shares of the first items: code ending in 5, name ending in "우"."""
    out = list(items)
    codes = {c for c, _, _ in items}
    for code, market, name in items[:count]:
        pref = code[:5] + "5"
        if code.endswith("0") and pref not in codes:
            out.append((pref, market, name + "우"))
            codes.add(pref)
    return out


def futures_lines():
    months = [("200703", "3"), ("200706", "6"), ("200709", "9"), ("200712", "C")]
    lines = []
    for month, m in months:
        lines.append("101C%s000 1 %s KP200 선물 %s" % (m, month, month[2:]))
    for month, m in months[1:]:
        lines.append("401C3C%sS 4 200703 스프레드 0703-%s" % (m, month[2:]))
    for line in lines:
        assert len(cp949(line)) <= 46, line
    return lines


def nearest_futures_lines():
    """The futures order book's own file (a fixed path, "futures.code" in the code folder): its
    first line begins with the nearest contract's code as the finder hands it over (the plain
    code without its last three characters), followed by a blank."""
    lines = []
    for line in futures_lines():
        code, kind, month = line[0:8], line[9], line[11:17]
        if kind != "4":
            lines.append("%s %s" % (code[:-3], month))
    return lines


def options_lines():
    months = [("200703", "3"), ("200704", "4"), ("200705", "5"), ("200706", "6")]
    strikes = [160.0 + 2.5 * i for i in range(21)]
    calls, puts = [], []
    for month, m in months:
        for k in strikes:
            code = "01C%s%03d" % (m, int(k))
            text = "%6.2f" % k
            for kind, first, dest in (("2", "콜", calls), ("3", "풋", puts)):
                dest.append("%s%s %s %s     %s %s %s %s" % (kind, code, kind, month, text, first,
                                                            month[2:], "%.1f" % k))
    for line in calls + puts:
        assert len(cp949(line)) <= 58, line
        assert line[9] in "23" and line[22:28].strip(), line
    return calls + puts


def version_record(kind, name, version, size):
    raw = cp949(name)
    assert len(raw) <= 30 and len(version) == 6
    return kind.encode() + raw.ljust(31, b"\0") + version.encode() + struct.pack(">I", size)


def main():
    write_text(os.path.join(BIN, "Pelvato.conf"), CONFIG)

    menu = ["# Pelvato menu: main-menu group:screen name:navigation id:plug-in file",
            "# a line whose id equals its group stands for the group button itself"]
    menu += ["%d:%s:%d:" % (g, caption, g) for g, caption in GROUPS]
    menu += ["%d:%s:%d:%s" % s for s in SCREENS]
    write_text(os.path.join(BIN, "menu.conf"), menu)

    kospi = with_preferred(parse_stocks(KOSPI, "0"), 40)
    kosdaq = parse_stocks(KOSDAQ, "1")
    stocks = kospi + kosdaq
    by_code = {c: (c, m, n) for c, m, n in stocks}
    ecn = [by_code[c] for c in ECN_KOSPI] + [(c, "1", by_code[c][2]) for c in ECN_KOSDAQ]
    code_files = [
        ("stock_code.dat", stock_lines(stocks)),
        ("ecn_code.dat", stock_lines(ecn)),
        ("futures_code.dat", futures_lines()),
        ("options_code.dat", options_lines()),
        ("futures.code", nearest_futures_lines()),
    ]
    served = []
    for name, lines in code_files:
        data = write_text(os.path.join(CODE, name), lines)
        served.append(("1", name, VERSION, len(data),
                       "../../device/Program Files/Quorvan/Code/" + name))
    with open(os.path.join(BIN, "menu.conf"), "rb") as f:
        served.append(("0", "menu.conf", VERSION, len(f.read()),
                       "../../device/Program Files/Quorvan/Bin/menu.conf"))

    # The device's local version list: a head record holding the count (little-endian at byte
    # 38), then the records as the version server sends them.
    head = bytearray(42)
    head[38:42] = struct.pack("<I", len(served))
    body = b"".join(version_record(k, n, v, s) for k, n, v, s, _ in served)
    with open(os.path.join(BIN, "verlist.dat"), "wb") as f:
        f.write(bytes(head) + body)

    listing = ["# Served by the simulated version server: kind|name|version|source",
               "# The same files and versions as the device's verlist.dat: nothing is new."]
    listing += ["%s|%s|%s|%s" % (k, n, v, src) for k, n, v, _, src in served]
    os.makedirs(SERVED, exist_ok=True)
    with open(os.path.join(SERVED, "versions.txt"), "w", newline="\n") as f:
        f.write("\n".join(listing) + "\n")

    # The variant adds one screen plug-in newer than the device's: its bytes are the built
    # plug-in, so CMake fills in the staged program folder (@LARKSPIN_PROGRAM_DIR@).
    variant = ["# The installed files plus a newer 10-level order book plug-in.",
               "# Generated from versions.txt.in by CMake into <build>/version-server/newer-screen."]
    variant += ["%s|%s|%s|@DEVICE_DATA_DIR@/%s" % (k, n, v, src[len("../../"):])
                for k, n, v, _, src in served]
    variant.append("0|ZR4105.dll|%s|@LARKSPIN_PROGRAM_DIR@/ZR4105.dll" % NEWER_VERSION)
    os.makedirs(VARIANT, exist_ok=True)
    with open(os.path.join(VARIANT, "versions.txt.in"), "w", newline="\n") as f:
        f.write("\n".join(variant) + "\n")

    # A newer core library: the updater leaves it in the root folder and the launcher restarts.
    core = ["# The installed files plus a newer base library (a core file).",
            "# Generated from versions.txt.in by CMake into <build>/version-server/newer-core."]
    core += variant[2:-1]
    core.append("0|VXBase.dll|%s|@LARKSPIN_PROGRAM_DIR@/VXBase.dll" % NEWER_VERSION)
    os.makedirs(VARIANT_CORE, exist_ok=True)
    with open(os.path.join(VARIANT_CORE, "versions.txt.in"), "w", newline="\n") as f:
        f.write("\n".join(core) + "\n")

    # A newer stock list with one newly listed item; needs no build, so it is committed whole.
    os.makedirs(VARIANT_CODES, exist_ok=True)
    newer_stocks = write_text(os.path.join(VARIANT_CODES, "stock_code.dat"),
                              stock_lines(stocks + [NEW_LISTING]))
    codes = ["# The installed files with a newer stock list (one more KOSDAQ item)."]
    for k, n, v, _, src in served:
        if n == "stock_code.dat":
            codes.append("%s|%s|%s" % (k, n, NEWER_VERSION))
        else:
            codes.append("%s|%s|%s|%s" % (k, n, v, src))
    with open(os.path.join(VARIANT_CODES, "versions.txt"), "w", newline="\n") as f:
        f.write("\n".join(codes) + "\n")
    assert len(newer_stocks) > 0

    print("%d stocks (%d KOSPI, %d KOSDAQ), %d ECN items, %d menu lines" %
          (len(stocks), len(kospi), len(kosdaq), len(ecn), len(menu)))


if __name__ == "__main__":
    main()
