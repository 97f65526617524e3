#!/usr/bin/env python3
"""Reference values of the chart indicators, written from their definitions alone.

Makes a fixed series of 80 bars (a random walk, a flat stretch of 20 bars in the middle that
exercises every zero denominator, one bar without volume) and writes two CSV files:

  chart_bars.csv      index,open,high,low,close,volume   (volume -999999999: no volume)
  chart_expected.csv  index, the three price-overlay averages, then every line of every
                      indicator kind 100..111 with its default parameters; an empty cell is an
                      index without a value.

Usage: chart_reference.py <output folder>
"""
import csv
import math
import os
import sys

NO_VALUE = -999999999


def make_bars():
    seed = 20031
    def rnd(n):
        nonlocal seed
        seed = (seed * 1103515245 + 12345) % (1 << 31)
        return seed % n
    bars = []
    close = 10000
    for i in range(80):
        if 40 <= i < 60:
            o = h = l = c = 10500
            v = 1000
        else:
            o = close + rnd(201) - 100
            c = o + rnd(401) - 200
            h = max(o, c) + rnd(120)
            l = min(o, c) - rnd(120)
            v = 500 + rnd(5000)
        if i == 25:
            v = NO_VALUE
        bars.append(dict(open=o, high=h, low=l, close=c, volume=v))
        close = c
    return bars


def overlay(bars, q):
    out = []
    for i in range(len(bars)):
        window = [b["close"] for b in bars[max(0, i - q + 1):i + 1]]
        s = sum(window)
        # integer quotient toward zero
        out.append(int(s / len(window)) if s >= 0 else -int(-s / len(window)))
    return out


def ma(xs, p):
    return [None if i < p - 1 else sum(xs[i - p + 1:i + 1]) / p for i in range(len(xs))]


def vma(vols, p):
    out = []
    for i in range(len(vols)):
        w = vols[i - p + 1:i + 1] if i >= p - 1 else None
        out.append(None if w is None or NO_VALUE in w else sum(w) / p)
    return out


def disparity(c, p):
    return [None if i < p - 1 else c[i] * p * 100 / sum(c[i - p + 1:i + 1]) for i in range(len(c))]


def psychological(c, p):
    return [None if i < p else 100 * sum(1 for j in range(i - p + 1, i + 1) if c[j] > c[j - 1]) / p
            for i in range(len(c))]


def bollinger(c, p, d, sign):
    out = []
    for i in range(len(c)):
        if i < p - 1:
            out.append(None)
            continue
        w = c[i - p + 1:i + 1]
        m = sum(w) / p
        s = math.sqrt(sum((x - m) ** 2 for x in w) / p)
        out.append(m + sign * d * s)
    return out


def macd(c, p1, p2, q):
    a, b = 2 / (p1 + 1), 2 / (p2 + 1)
    es = el = c[0]
    m = [0.0]
    for i in range(1, len(c)):
        es = a * c[i] + (1 - a) * es
        el = b * c[i] + (1 - b) * el
        m.append(es - el)
    sig = []
    for i in range(len(c)):
        w = m[max(0, i - q + 1):i + 1]
        sig.append(sum(w) / len(w))
    return m, sig


def price_oscillator(ma5, ma20, p1):
    return [None if i < p1 - 1 else ma5[i] - ma20[i] for i in range(len(ma5))]


def cci(h, l, c, p1, p2):
    tp = [(h[i] + l[i] + c[i]) / 3 for i in range(len(c))]
    a = 2 / (p2 + 1)
    val, sig = [None] * len(c), [None] * len(c)
    for i in range(p1, len(c)):
        w = tp[i - p1 + 1:i + 1]
        sma = sum(w) / p1
        md = sum(abs(sma - x) for x in w) / p1
        val[i] = 0.0 if md == 0 else (tp[i] - sma) / (0.015 * md)
        sig[i] = val[i] if i == p1 else (1 - a) * sig[i - 1] + a * val[i]
    return val, sig


def rsi(c, p1, p2):
    a = 2 / (p2 + 1)
    val, sig = [None] * len(c), [None] * len(c)
    for i in range(p1 + 1, len(c)):
        changes = [c[j] - c[j - 1] for j in range(i - p1 + 1, i + 1)]
        up = sum(x for x in changes if x > 0)
        down = sum(-x for x in changes if x <= 0)
        val[i] = 50.0 if up + down == 0 else 100 * up / (up + down)
        sig[i] = val[i] if i == p1 + 1 else (1 - a) * sig[i - 1] + a * val[i]
    return val, sig


def di(h, l, c, p, plus):
    out = [None] * len(c)
    for i in range(p, len(c)):
        dm_sum = tr_sum = 0
        for j in range(max(1, i - p + 1), i + 1):
            up, down = h[j] - h[j - 1], l[j - 1] - l[j]
            if plus:
                dm = up if up > 0 and up > down else 0
            else:
                dm = down if down > 0 and down > up else 0
            tr = max(h[j] - l[j], abs(c[j - 1] - h[j]), abs(c[j - 1] - l[j]))
            dm_sum += dm
            tr_sum += tr
        out[i] = 0.0 if tr_sum == 0 else 100 * dm_sum / tr_sum
    return out


def stochastic(h, l, c, p1, p2):
    a = 2 / (p2 + 1)
    k, d = [None] * len(c), [None] * len(c)
    prev_raw = 50.0
    for i in range(p1 - 1, len(c)):
        hi, lo = max(h[i - p1 + 1:i + 1]), min(l[i - p1 + 1:i + 1])
        raw = prev_raw if hi == lo else 100 * (c[i] - lo) / (hi - lo)
        prev_raw = raw
        if i == p1 - 1:
            k[i] = d[i] = raw
        else:
            k[i] = (1 - a) * k[i - 1] + a * raw
            d[i] = a * k[i] + (1 - a) * d[i - 1]
    return k, d


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else "."
    bars = make_bars()
    o = [b["open"] for b in bars]
    h = [b["high"] for b in bars]
    l = [b["low"] for b in bars]
    c = [b["close"] for b in bars]
    v = [b["volume"] for b in bars]
    ma5, ma20, ma60 = overlay(bars, 5), overlay(bars, 20), overlay(bars, 60)
    m106, s106 = macd(c, 12, 26, 12)
    v108, s108 = cci(h, l, c, 14, 9)
    v109, s109 = rsi(c, 14, 9)
    v111, s111 = stochastic(h, l, c, 10, 5)
    columns = [
        ("ma5", ma5), ("ma20", ma20), ("ma60", ma60),
        ("k100_0", ma(c, 5)), ("k100_1", ma(c, 20)), ("k100_2", ma(c, 60)),
        ("k101", disparity(c, 5)), ("k102", ma(c, 5)),
        ("k103_0", vma(v, 5)), ("k103_1", vma(v, 10)), ("k103_2", vma(v, 20)),
        ("k104", psychological(c, 10)),
        ("k105_0", ma(c, 20)), ("k105_1", bollinger(c, 20, 2, 1)), ("k105_2", bollinger(c, 20, 2, -1)),
        ("k106", m106), ("k106_s", s106),
        ("k107", price_oscillator(ma5, ma20, 5)),
        ("k108", v108), ("k108_s", s108),
        ("k109", v109), ("k109_s", s109),
        ("k110_0", di(h, l, c, 14, True)), ("k110_1", di(h, l, c, 14, False)),
        ("k111", v111), ("k111_s", s111),
    ]
    with open(os.path.join(out_dir, "chart_bars.csv"), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["index", "open", "high", "low", "close", "volume"])
        for i in range(len(bars)):
            w.writerow([i, o[i], h[i], l[i], c[i], v[i]])
    with open(os.path.join(out_dir, "chart_expected.csv"), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["index"] + [name for name, _ in columns])
        for i in range(len(bars)):
            row = [i]
            for _, values in columns:
                x = values[i]
                row.append("" if x is None else (str(x) if isinstance(x, int) else repr(float(x))))
            w.writerow(row)


if __name__ == "__main__":
    main()
