#!/usr/bin/env python3
"""Runs a command ROUNDS times and prints its median wall-clock seconds, median CPU seconds
(user + system of the command and every process it waited for, from wait4's resource usage, in
microseconds) and largest peak resident memory in kB:

    measure.py ROUNDS OUTPUT COMMAND...

The command's standard output goes to OUTPUT (a file, rewritten each round). A run that exits
with another status than 0 or is ended by a signal ends the measurement with exit status 1: a
failed run is never timed as a success.
"""
import os
import statistics
import sys
import time


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    rounds, output, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    walls, cpus, peak = [], [], 0
    for _ in range(rounds):
        with open(output, "wb") as out:
            start = time.perf_counter()
            pid = os.fork()
            if pid == 0:
                os.dup2(out.fileno(), 1)
                try:
                    os.execvp(command[0], command)
                finally:
                    os._exit(127)
            _, status, usage = os.wait4(pid, 0)
            walls.append(time.perf_counter() - start)
        if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
            print(f"{' '.join(command)}: failed ({status:#x})", file=sys.stderr)
            return 1
        cpus.append(usage.ru_utime + usage.ru_stime)
        peak = max(peak, usage.ru_maxrss)
    print(f"{statistics.median(walls):.4f} {statistics.median(cpus):.4f} {peak}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
