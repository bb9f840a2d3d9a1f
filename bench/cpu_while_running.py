#!/usr/bin/env python3
"""CPU a command uses while it runs: starts it N times, lets each run for 20 s, ends it with
Ctrl-C and prints the user+system CPU time of each run and their median.

    bench/cpu_while_running.py N COMMAND [ARGS...]
"""
import resource
import signal
import statistics
import subprocess
import sys
import time

runs = int(sys.argv[1])
command = sys.argv[2:]
seconds = 20
used = []
for _ in range(runs):
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(seconds)
    child.send_signal(signal.SIGINT)
    child.wait()
    total = resource.getrusage(resource.RUSAGE_CHILDREN)
    used.append(total.ru_utime + total.ru_stime - sum(used))
print(" ".join(f"{u:.3f}" for u in used),
      f"median {statistics.median(used):.3f} s CPU per {seconds} s")
