#!/usr/bin/env python3
"""Per-thread CPU of a program while it plays, for bench/playback.sh.

  thread_sampler.py watch LABEL SINCE OUT.json [--delay S] [--secs S]
      Waits for the next measured run of measure-peer.sh for LABEL that starts after SINCE
      (epoch seconds), then, DELAY seconds after its play command, reads every thread's
      utime+stime from /proc twice, SECS apart, and writes {name: [cpu %, ...]} to OUT.json.
  thread_sampler.py merge ALL.json LABEL OUT.json [OUT.json ...]
      Puts the rounds of one program into one file.
  thread_sampler.py report ALL.json [ALL.json ...]
      Prints one table per file: thread name, how many of that name, median CPU % over rounds.
"""
import glob, json, os, re, statistics, sys, time

CLK = os.sysconf("SC_CLK_TCK")


def task_ticks(pid):
    out = {}
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            # Numbers dropped: "multiqueue2:src" in one run is "multiqueue3:src" in the next.
            name = re.sub(r"[0-9]+", "", open(task + "/comm").read().strip())
            s = open(task + "/stat").read()
            rest = s[s.rindex(")") + 2:].split()
            out[int(os.path.basename(task))] = (name, int(rest[11]) + int(rest[12]))
        except (OSError, ValueError, IndexError):
            pass  # the thread ended meanwhile
    return out


def find_run(label, since, timeout=240):
    """The run folder of the measured run (not the warm-up) of the next measure-peer.sh."""
    end = time.time() + timeout
    while time.time() < end:
        for work in glob.glob("/tmp/radio-bench/work.%s.*" % label):
            if os.stat(work).st_mtime + 5 < since:
                continue
            for run in glob.glob(work + "/run[0-9]*"):
                play = run + "/t_play"
                if os.path.exists(play) and os.path.exists(run + "/pid") and os.stat(play).st_mtime >= since:
                    return run
        time.sleep(0.1)
    return None


def watch(label, since, out, delay=2.0, secs=10.0):
    run = find_run(label, since)
    result = {}
    if run:
        pid = int(open(run + "/pid").read())
        t_play = float(open(run + "/t_play").read())
        time.sleep(max(0.0, t_play + delay - time.time()))
        before = task_ticks(pid)
        t0 = time.monotonic()
        time.sleep(secs)
        after = task_ticks(pid)
        wall = time.monotonic() - t0
        for tid, (name, ticks) in after.items():
            used = ticks - before.get(tid, (name, ticks))[1]
            result.setdefault(name, []).append(round(100.0 * used / CLK / wall, 2))
    with open(out, "w") as f:
        json.dump(result, f)


def report(files):
    for path in files:
        data = json.load(open(path))  # one program: {"label": ..., "rounds": [...]}
        rounds = data["rounds"]
        names = sorted({n for r in rounds for n in r})
        rows = []
        for n in names:
            counts = [len(r.get(n, [])) for r in rounds]
            sums = [sum(r.get(n, [])) for r in rounds]
            rows.append((statistics.median(sums), n, statistics.median(counts)))
        rows.sort(reverse=True)
        total = statistics.median([sum(sum(v) for v in r.values()) for r in rounds]) if rounds else 0
        threads = statistics.median([sum(len(v) for v in r.values()) for r in rounds]) if rounds else 0
        print("%s: %g threads, %.2f %% CPU in all threads (median of %d rounds)"
              % (data["label"], threads, total, len(rounds)))
        for cpu, n, count in rows:
            print("  %-24s x%-3g %6.2f %%" % (n, count, cpu))


def merge(out, label, parts):
    rounds = [json.load(open(p)) for p in parts if os.path.exists(p)]
    with open(out, "w") as f:
        json.dump({"label": label, "rounds": [r for r in rounds if r]}, f)


if __name__ == "__main__":
    cmd = sys.argv[1]
    if cmd == "watch":
        args = sys.argv[2:]
        delay = float(args[args.index("--delay") + 1]) if "--delay" in args else 2.0
        secs = float(args[args.index("--secs") + 1]) if "--secs" in args else 10.0
        watch(args[0], float(args[1]), args[2], delay, secs)
    elif cmd == "merge":
        merge(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif cmd == "report":
        report(sys.argv[2:])
    else:
        sys.exit(__doc__)
