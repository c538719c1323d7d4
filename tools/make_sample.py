#!/usr/bin/env python3
"""Makes the sample Korvan contest log that korvan-host scores.

Writes, into the output folder (samples/ by default):
  korvan-sample.adi  the log in ADIF 3
  korvan-sample.cbr  the same log in Cabrillo 3.0 (CR LF line ends)
  kda.dom            the KDA directory: one line per Kazakh station,
                     callsign first, its KDA code as the last three characters

Worked calls come from the MASTER.SCP call list and are placed in their
countries with cty.dat (both from the Debian package hamradio-files). The
contest runs 24 hours from 2026-03-21 12:00 UTC on 80, 40, 20, 15 and 10 m,
CW and SSB. Sent exchange: serial numbers; received: the other station's
serial number, or the KDA code for a Kazakh station. A few contacts are
meant to be flagged or rejected by the plug-in: repeated contacts (dupes),
bad and lower-case KDA codes, contacts on 160 m and in RTTY.

The output is the same for the same seed and input files.
"""

import argparse
import datetime
import os
import random
import sys

OWN_CALL = "UN0KVN"  # fictitious station in Kazakhstan
CONTEST_START = datetime.datetime(2026, 3, 21, 12, 0)
QSO_COUNT = 3000

KDA_RANGES = [("A", 6), ("B", 19), ("C", 14), ("F", 13), ("G", 7), ("I", 13), ("J", 22), ("K", 9),
              ("L", 20), ("M", 13), ("N", 16), ("O", 8), ("P", 18), ("Q", 18), ("T", 11), ("Z", 3)]
KDA_CODES = ["%s%02d" % (letter, n) for letter, count in KDA_RANGES for n in range(1, count + 1)]
assert len(KDA_CODES) == 210

# kHz ranges used per band and mode.
FREQUENCIES = {
    ("160m", "CW"): (1810, 1840),
    ("80m", "CW"): (3500, 3570), ("80m", "SSB"): (3600, 3790),
    ("40m", "CW"): (7000, 7040), ("40m", "SSB"): (7060, 7195),
    ("20m", "CW"): (14000, 14070), ("20m", "SSB"): (14150, 14345), ("20m", "RTTY"): (14080, 14095),
    ("15m", "CW"): (21000, 21070), ("15m", "SSB"): (21150, 21445),
    ("10m", "CW"): (28000, 28070), ("10m", "SSB"): (28300, 28690),
}
NEIGHBOUR_PREFIXES = {"UA", "UA9", "UA2", "UR", "EU", "EX", "EY", "EZ", "UK", "4L", "4K", "ER", "YL", "LY", "ES"}
CABRILLO_MODE = {"CW": "CW", "SSB": "PH", "RTTY": "RY"}


class CountryFile:
    """Prefix and exact-call lookup in cty.dat (enough to place MASTER.SCP calls)."""

    def __init__(self, path):
        self.prefixes, self.exact = {}, {}
        with open(path, encoding="latin-1") as f:
            text = f.read()
        for record in text.split(";"):
            if ":" not in record:
                continue
            fields = record.split(":")
            primary = fields[7].strip().lstrip("*")
            for alias in fields[8].replace("\n", "").split(","):
                alias = alias.strip()
                for open_, close in ("()", "[]", "<>", "{}", "~~"):
                    start = alias.find(open_)
                    if start >= 0:
                        end = alias.find(close, start + 1)
                        alias = alias[:start] + alias[end + 1:]
                if alias.startswith("="):
                    self.exact[alias[1:]] = primary
                elif alias:
                    self.prefixes[alias] = primary
        self.longest = max(len(p) for p in self.prefixes)

    def prefix(self, call):
        if call in self.exact:
            return self.exact[call]
        for n in range(min(len(call), self.longest), 0, -1):
            if call[:n] in self.prefixes:
                return self.prefixes[call[:n]]
        return None


def read_master(path):
    calls = []
    with open(path, encoding="latin-1") as f:
        for line in f:
            call = line.strip().upper()
            if call and not call.startswith("#") and "/" not in call:
                calls.append(call)
    return calls


def band_for_hour(rng, hour):
    """Low bands at night, high bands by day (UTC, roughly Central Asia)."""
    if 0 <= hour < 12:   # daylight in Kazakhstan
        weights = {"80m": 1, "40m": 3, "20m": 6, "15m": 5, "10m": 4}
    else:
        weights = {"80m": 5, "40m": 6, "20m": 4, "15m": 1, "10m": 1}
    bands = list(weights)
    return rng.choices(bands, [weights[b] for b in bands])[0]


def contact_times(rng):
    """QSO_COUNT minutes over 24 hours, busier at the start and the end."""
    times = []
    for _ in range(QSO_COUNT):
        r = rng.random()
        if r < 0.25:
            minute = rng.uniform(0, 180)
        elif r < 0.40:
            minute = rng.uniform(1260, 1440)
        else:
            minute = rng.uniform(0, 1440)
        times.append(CONTEST_START + datetime.timedelta(minutes=int(minute)))
    return sorted(times)


def make_log(rng, kazakh, dx):
    """Returns the contacts as dicts in log order."""
    kda = {call: rng.choice(KDA_CODES) for call in kazakh}
    their_serial = {}
    worked = set()
    qsos = []
    times = contact_times(rng)
    special = {}  # index -> kind of contact meant to be flagged or rejected
    indexes = rng.sample(range(100, QSO_COUNT), 60)
    for i, kind in zip(indexes, ["dupe"] * 18 + ["badcode"] * 10 + ["lowercase"] * 8 + ["160m"] * 8 +
                       ["rtty"] * 6):
        special[i] = kind

    def new_station(pool, band, mode):
        for _ in range(200):
            call = rng.choice(pool)
            if (call, band, mode) not in worked:
                return call
        return None

    for i, when in enumerate(times):
        kind = special.get(i, "")
        mode = "CW" if rng.random() < 0.6 else "SSB"
        band = band_for_hour(rng, when.hour)
        if kind == "160m":
            band, mode = "160m", "CW"
        elif kind == "rtty":
            band, mode = "20m", "RTTY"

        if kind == "dupe" and qsos:
            earlier = rng.choice([q for q in qsos if q["mode"] in ("CW", "SSB") and q["band"] != "160m"])
            call, band, mode = earlier["call"], earlier["band"], earlier["mode"]
        else:
            wants_kazakh = kind in ("badcode", "lowercase") or rng.random() < 0.22
            call = new_station(kazakh, band, mode) if wants_kazakh else None
            if call is None:
                call = new_station(dx, band, mode)
        worked.add((call, band, mode))

        if call in kda:
            received = kda[call]
            if kind == "badcode":
                received = rng.choice(["A00", "A07", "X12", "B20", "Z04", "599", "AO1"])
            elif kind == "lowercase":
                received = received.lower()
        else:
            their_serial[call] = their_serial.get(call, rng.randint(1, 400)) + rng.randint(1, 9)
            received = "%03d" % their_serial[call]

        low, high = FREQUENCIES[(band, mode)]
        rst = "59" if mode == "SSB" else "599"
        qsos.append({
            "time": when, "call": call, "band": band, "mode": mode,
            "khz": rng.randint(low, high), "rst_sent": rst, "rst_rcvd": rst,
            "sent": "%03d" % (i + 1), "rcvd": received,
        })
    return qsos, kda


def adif_field(name, value):
    return "<%s:%d>%s" % (name, len(value), value)


def write_adif(path, qsos):
    lines = ["Korvan contest sample log, made by tools/make_sample.py",
             adif_field("ADIF_VER", "3.1.4") + " " + adif_field("PROGRAMID", "make_sample.py") + " <EOH>", ""]
    for q in qsos:
        fields = [
            adif_field("CALL", q["call"]),
            adif_field("QSO_DATE", q["time"].strftime("%Y%m%d")),
            adif_field("TIME_ON", q["time"].strftime("%H%M")),
            adif_field("BAND", q["band"]),
            adif_field("FREQ", "%.3f" % (q["khz"] / 1000.0)),
            adif_field("MODE", q["mode"]),
        ]
        if q["mode"] == "SSB":
            fields.append(adif_field("SUBMODE", "LSB" if q["khz"] < 10000 else "USB"))
        fields += [
            adif_field("RST_SENT", q["rst_sent"]),
            adif_field("RST_RCVD", q["rst_rcvd"]),
            adif_field("STX_STRING", q["sent"]),
            adif_field("SRX_STRING", q["rcvd"]),
            adif_field("STATION_CALLSIGN", OWN_CALL),
            adif_field("CONTEST_ID", "KORVAN"),
        ]
        lines.append(" ".join(fields) + " <EOR>")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_cabrillo(path, qsos):
    lines = [
        "START-OF-LOG: 3.0",
        "CONTEST: KORVAN",
        "CALLSIGN: " + OWN_CALL,
        "CATEGORY-OPERATOR: SINGLE-OP",
        "CATEGORY-ASSISTED: NON-ASSISTED",
        "CATEGORY-BAND: ALL",
        "CATEGORY-MODE: MIXED",
        "CATEGORY-POWER: HIGH",
        "CATEGORY-STATION: FIXED",
        "CATEGORY-TRANSMITTER: ONE",
        "CREATED-BY: make_sample.py",
        "NAME: Sample Operator",
        "SOAPBOX: sample log for korvan-host",
    ]
    for q in qsos:
        lines.append(("QSO: %5d %-2s %s %-13s %-3s %-6s %-13s %-3s %-6s" % (
            q["khz"], CABRILLO_MODE[q["mode"]], q["time"].strftime("%Y-%m-%d %H%M"), OWN_CALL,
            q["rst_sent"], q["sent"], q["call"], q["rst_rcvd"], q["rcvd"])).rstrip())
    lines.append("END-OF-LOG:")
    with open(path, "w", encoding="ascii", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def write_kda_directory(path, kda):
    # Sorted, so that a call is listed before the longer calls it begins.
    with open(path, "w", encoding="ascii", newline="") as f:
        for call in sorted(kda):
            f.write("%-12s%s\r\n" % (call, kda[call]))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--master", default="/usr/share/hamradio-files/MASTER.SCP")
    parser.add_argument("--cty", default="/usr/share/hamradio-files/cty.dat")
    parser.add_argument("--out", default=os.path.join(here, "..", "samples"))
    parser.add_argument("--seed", type=int, default=2026)
    args = parser.parse_args()

    for path in (args.master, args.cty):
        if not os.path.isfile(path):
            sys.exit("make_sample.py: %s not found (apt-get install hamradio-files)" % path)
    cty = CountryFile(args.cty)
    calls = read_master(args.master)
    kazakh = sorted(c for c in calls if cty.prefix(c) == "UN" and c != OWN_CALL)
    dx = sorted(c for c in calls if cty.prefix(c) not in (None, "UN"))
    rng = random.Random(args.seed)
    # Neighbours dominate the log of a Kazakh station: about 40 % of the
    # other stations from Russia and the former Soviet republics.
    neighbours = [c for c in dx if cty.prefix(c) in NEIGHBOUR_PREFIXES]
    others = [c for c in dx if cty.prefix(c) not in NEIGHBOUR_PREFIXES]
    dx = rng.sample(neighbours, min(480, len(neighbours))) + rng.sample(others, 720)

    qsos, kda = make_log(rng, kazakh, dx)
    os.makedirs(args.out, exist_ok=True)
    write_adif(os.path.join(args.out, "korvan-sample.adi"), qsos)
    write_cabrillo(os.path.join(args.out, "korvan-sample.cbr"), qsos)
    write_kda_directory(os.path.join(args.out, "kda.dom"), kda)
    print("make_sample.py: %d QSOs, %d Kazakh stations in kda.dom" % (len(qsos), len(kda)))


if __name__ == "__main__":
    main()
