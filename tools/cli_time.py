#!/usr/bin/env python3
"""Times zembrix-cli commands against `zembrix-cli --help`, run alternately.

    python3 tools/cli_time.py build-rel/zembrix-cli 41 \
        "render tests/data/files/near_limit.prg --location 0 -o /tmp/l0.png" \
        "import-json /tmp/near_limit.json -o /tmp/near_limit.prg"

Each round runs --help and then every command once, so that a busy machine
slows them alike; prints each one's median with its quartiles and the
median as a multiple of --help's.
"""
import subprocess
import sys
import time


def run_once(args):
    start = time.perf_counter()
    done = subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False)
    elapsed = (time.perf_counter() - start) * 1000
    if done.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {done.stderr.decode(errors='replace').strip()}")
    return elapsed


def quartiles(values):
    ordered = sorted(values)
    n = len(ordered)
    return ordered[n // 2], ordered[n // 4], ordered[(3 * n) // 4]


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    cli, rounds, commands = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    runs = {"--help": [cli, "--help"]}
    for command in commands:
        runs[command] = [cli] + command.split()
    times = {name: [] for name in runs}
    for _ in range(rounds):
        for name, args in runs.items():
            times[name].append(run_once(args))
    help_median = quartiles(times["--help"])[0]
    for name, values in times.items():
        median, low, high = quartiles(values)
        print(f"{median:7.2f} ms ({low:.2f} to {high:.2f})  {median / help_median:4.2f} x  {name}")


if __name__ == "__main__":
    main()
