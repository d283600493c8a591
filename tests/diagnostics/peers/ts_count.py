#!/usr/bin/env python3
"""Counts a transport stream file's packets per PID on its own, as a peer for the tests:
packets, scrambled packets and continuity errors (ISO/IEC 13818-1: the counter steps on
packets with payload, one repeated packet is allowed, a discontinuity indicator restarts it).
Prints JSON: {"pids": {"PID": {"packets": n, "scrambled": n, "cc_errors": n}}, "packets": n}."""
import json
import sys


def count(data):
    pids = {}
    last = {}
    repeated = {}
    total = 0
    for offset in range(0, len(data) - 187, 188):
        packet = data[offset:offset + 188]
        total += 1
        pid = ((packet[1] & 0x1F) << 8) | packet[2]
        entry = pids.setdefault(pid, {"packets": 0, "scrambled": 0, "cc_errors": 0})
        entry["packets"] += 1
        if packet[3] >> 6:
            entry["scrambled"] += 1
        if pid == 0x1FFF:
            continue
        cc = packet[3] & 0x0F
        has_payload = bool(packet[3] & 0x10)
        adaptation = bool(packet[3] & 0x20)
        discontinuity = adaptation and packet[4] > 0 and bool(packet[5] & 0x80)
        if not has_payload:
            last.setdefault(pid, cc)
            continue
        if pid in last and not discontinuity:
            if cc == last[pid] and not repeated.get(pid):
                repeated[pid] = True
                continue
            if cc != (last[pid] + 1) % 16:
                entry["cc_errors"] += 1
        repeated[pid] = False
        last[pid] = cc
    return {"pids": {str(p): v for p, v in sorted(pids.items())}, "packets": total}


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        print(json.dumps(count(f.read())))
