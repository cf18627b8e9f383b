#!/usr/bin/env python3
"""Keystamp's benchmarks: how close the program comes to its engine.

Makes the clips with ffmpeg in a temporary folder, runs every figure several
times (the bench programs beside this script, the program itself, bare mpv and
bare libmpv as peers), takes medians, prints one table and writes it with the
machine and the date to docs/performance.md. Measures and reports only: the
exit status is 0 whatever the figures are.

Run it under an X display of its own (the bench target wraps it in xvfb-run).
"""

import argparse
import datetime
import json
import os
import random
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
FPS = 30
CLIP_SECONDS = 40
CODED_SECONDS = 60


# ---------------------------------------------------------------- helpers


def log(text):
    print(text, file=sys.stderr, flush=True)


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def json_lines(text):
    out = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("{"):
            try:
                out.append(json.loads(line))
            except json.JSONDecodeError:
                pass
    return out


def run_json(cmd, env, timeout):
    """Runs cmd to its end; returns the JSON lines it printed."""
    proc = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=timeout)
    results = json_lines(proc.stdout)
    if proc.returncode != 0 and not results:
        raise RuntimeError("%s failed (%d): %s" % (os.path.basename(cmd[0]), proc.returncode,
                                                   proc.stderr.strip()[-400:]))
    return results


def cpu_seconds(pid):
    """User plus system CPU time of a process (all its threads), in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def peak_rss_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return None


def cpu_share(pid, seconds):
    """Share of one core a process uses over the next `seconds`, in percent."""
    c0, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    c1, t1 = cpu_seconds(pid), time.monotonic()
    return 100.0 * (c1 - c0) / (t1 - t0)


def stop(proc, timeout=10):
    """Ends a process we started: SIGTERM, then SIGKILL if it lingers."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def end_program(proc, shown):
    """Ends the program that map_wait started (SIGTERM, as a session ends) and
    lets map_wait finish with it."""
    if shown:
        os.kill(shown["pid"], signal.SIGTERM)
        try:
            proc.wait(15)
        except subprocess.TimeoutExpired:
            os.kill(shown["pid"], signal.SIGKILL)
    stop(proc)


def read_line(proc, timeout):
    """The next JSON line of a running process's standard output, or None."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        ready, _, _ = select.select([proc.stdout], [], [], max(0.0, deadline - time.monotonic()))
        if not ready:
            break
        line = proc.stdout.readline()
        if not line:
            break
        parsed = json_lines(line)
        if parsed:
            return parsed[0]
    return None


def percentile(values, p):
    """The p-th percentile by nearest rank, as the bench programs take it."""
    values = sorted(values)
    if not values:
        return None
    rank = max(1, min(len(values), int(-(-p * len(values) // 100))))
    return values[rank - 1]


def fmt(value, unit, digits=1):
    return "—" if value is None else ("%.*f %s" % (digits, value, unit)).strip()


def row(figure, ours, peer="—", ratio=None, goal="—", met=None, note=""):
    return {"figure": figure, "ours": ours, "peer": peer,
            "ratio": "—" if ratio is None else "%.2f×" % ratio,
            "goal": goal, "met": {True: "yes", False: "**no**", None: "—"}[met], "note": note}


def unavailable(figure, goal, why):
    return row(figure, "n/a", goal=goal, note=why)


# ---------------------------------------------------------------- context


class Bench:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="keystamp-bench-")
        self.home = os.path.join(self.tmp, "home")
        runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(os.path.join(self.home, "Documents"))
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ)
        # Every program writes into a home of its own, never the user's.
        env.update({"HOME": self.home,
                    "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                    "XDG_DOCUMENTS_DIR": os.path.join(self.home, "Documents"),
                    "XDG_RUNTIME_DIR": runtime,
                    "QT_LOGGING_RULES": "qt.qpa.*=false",
                    "LC_ALL": "C.UTF-8"})
        env.pop("QT_QPA_PLATFORM", None)
        self.env = env
        self.repeat = args.repeat
        self.placeholder = os.path.join(args.source_dir, "resources", "movie.mp4")
        clips = args.clip_dir or self.tmp
        os.makedirs(clips, exist_ok=True)
        self.clip = os.path.join(clips, "clip1080.mp4")
        self.coded = os.path.join(clips, "frame-coded.mp4")

    def tool(self, name):
        return os.path.join(self.args.bench_dir, name)

    def cleanup(self):
        shutil.rmtree(self.tmp, ignore_errors=True)


def make_clips(b):
    if b.args.clip_dir and os.path.exists(b.clip) and os.path.exists(b.coded):
        return
    log("making the clips (ffmpeg)...")
    # 1080p30 H.264, a keyframe every 250 frames exactly, moving content.
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi",
                    "-i", "testsrc2=size=1920x1080:rate=%d" % FPS, "-t", str(CLIP_SECONDS),
                    "-c:v", "libx264", "-preset", "veryfast", "-g", "250", "-keyint_min", "250",
                    "-sc_threshold", "0", "-pix_fmt", "yuv420p", b.clip], check=True)
    # Frame-coded clip: four blocks side by side, each carrying three bits of
    # the frame number in its red, green and blue (block i holds bits 3i..3i+2).
    width, height, blocks = 640, 360, 4
    ffmpeg = subprocess.Popen(["ffmpeg", "-v", "error", "-y", "-f", "rawvideo",
                               "-pix_fmt", "rgb24", "-s", "%dx%d" % (width, height),
                               "-r", str(FPS), "-i", "-", "-c:v", "libx264", "-preset",
                               "veryfast", "-g", str(FPS), "-pix_fmt", "yuv420p", b.coded],
                              stdin=subprocess.PIPE)
    block = width // blocks
    for n in range(CODED_SECONDS * FPS):
        line = b"".join(bytes((255 * (d & 1), 255 * ((d >> 1) & 1), 255 * ((d >> 2) & 1)))
                        * block for d in ((n >> (3 * i)) & 7 for i in range(blocks)))
        ffmpeg.stdin.write(line * height)
    ffmpeg.stdin.close()
    if ffmpeg.wait() != 0:
        raise RuntimeError("ffmpeg could not make the frame-coded clip")


# ---------------------------------------------------------------- figures


def fig_keys(b):
    by = {}
    parts = []
    for _ in range(b.repeat):
        for journal in (False, True):
            cmd = [b.tool("bench_keys")] + (["--journal"] if journal else [])
            for r in run_json(cmd, b.env, 300):
                if r.get("figure") == "key_line" and "median_us" in r and not r.get("timeline"):
                    by.setdefault((journal, r["lines"]), []).append(r)
                elif r.get("figure") == "key_line_parts":
                    parts.append(r)
    rows = []
    for journal in (True, False):
        if (journal, 0) not in by:
            continue
        label = "with the journal, as in the program" if journal else "without the journal"
        empty = median([r["median_us"] for r in by[(journal, 0)]])
        for lines in (0, 10000, 100000):
            med = median([r["median_us"] for r in by[(journal, lines)]])
            p99 = median([r["p99_us"] for r in by[(journal, lines)]])
            rows.append(row("key to transcript line, %s lines (%s): median, p99"
                            % ("{:,}".format(lines).replace(",", " "), label),
                            "%.0f µs, %.0f µs" % (med, p99), goal="median ≤ 100 µs",
                            met=med <= 100.0))
        big = median([r["median_us"] for r in by[(journal, 100000)]])
        rows.append(row("key to transcript line, 100 000 lines against empty (%s)" % label,
                        "%.0f µs" % big, "%.0f µs" % empty, big / empty, "≤ 2×",
                        big / empty <= 2.0))
    if parts:
        rows.append(row("where a key's time goes (0 lines, medians)",
                        "clock text %.0f µs, name %.1f µs, append %.0f µs" % (
                            median([p["clock_us"] for p in parts if p["lines"] == 0]),
                            median([p["name_us"] for p in parts if p["lines"] == 0]),
                            median([p["append_us"] for p in parts if p["lines"] == 0])),
                        note="the append at 100 000 lines: %.0f µs" % median(
                            [p["append_us"] for p in parts if p["lines"] == 100000])))
    return rows


def fig_timeline(b):
    runs = [r for _ in range(b.repeat) for r in run_json([b.tool("bench_timeline")], b.env, 300)
            if r.get("figure") == "timeline"]
    if not runs:
        return [unavailable("timeline redraw after a key, 100 000 lines",
                            "median ≤ 4 ms, p99 ≤ 16 ms", "no result")]
    med = median([r["key_median_ms"] for r in runs])
    p99 = median([r["key_p99_ms"] for r in runs])
    rows = [row("timeline redraw after a key, 100 000 lines: median, p99",
                "%.2f ms, %.2f ms" % (med, p99), goal="median ≤ 4 ms, p99 ≤ 16 ms",
                met=med <= 4.0 and p99 <= 16.0,
                note="an edit at the top (all coded again) %.0f ms, a zoom (all rows drawn) "
                     "%.1f ms" % (median([r["edit_median_ms"] for r in runs]),
                                  median([r["zoom_median_ms"] for r in runs])))]
    with_strip, without = [], []
    for _ in range(b.repeat):
        for timeline, into in ((True, with_strip), (False, without)):
            cmd = [b.tool("bench_keys")] + (["--timeline"] if timeline else [])
            into += [r["median_us"] for r in run_json(cmd, b.env, 300)
                     if r.get("figure") == "key_line" and r.get("lines") == 100000]
    if with_strip and without:
        ours, peer = median(with_strip), median(without)
        rows.append(row("key to transcript line, 100 000 lines, with the timeline against "
                        "without (no journal)", "%.0f µs" % ours, "%.0f µs" % peer, ours / peer,
                        "≤ 1.1×", ours / peer <= 1.1))
    return rows


def fig_save(b):
    runs = [r for _ in range(b.repeat) for r in run_json([b.tool("bench_save")], b.env, 600)
            if r.get("figure") == "save"]
    if not runs:
        return [unavailable("save, 100 000 lines", "≤ 100 ms", "no result")]
    med = median([r["median_ms"] for r in runs])
    ok = all(r["ok"] for r in runs)
    rows = [row("save (saveAndClearScript), 100 000 lines", "%.0f ms" % med, goal="≤ 100 ms",
                met=(med <= 100.0) if ok else False,
                note="" if ok else "a save did not write its file")]
    rows.append(row("where a save's time goes (medians)",
                    "text %.0f ms, count %.0f ms, write %.0f ms, sync %.0f ms, empty view %.0f ms"
                    % tuple(median([r[k] for r in runs]) for k in
                            ("text_ms", "count_ms", "write_ms", "sync_ms", "clear_ms"))))
    return rows


def mpv_first_frame(b, output=("--vo=null",)):
    """Seconds from starting `mpv --vo=null --frames=1` (or another output) on
    the placeholder until it reports its first frame shown (it would then hold
    that frame for the frame's whole duration before it exits)."""
    t0 = time.monotonic()
    proc = subprocess.Popen(["mpv", "--no-config", *output, "--frames=1",
                             "--msg-level=all=warn,cplayer=v", b.placeholder], env=b.env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    shown = None
    for line in proc.stdout:
        if "playback restart complete" in line:
            shown = time.monotonic() - t0
            break
    stop(proc)
    return shown


def fig_startup(b):
    goal = "≤ 1.2×"
    if not os.path.exists(b.placeholder):
        return [unavailable("start-up to window shown and placeholder ready", goal,
                            "resources/movie.mp4 is missing")]
    ours, peer, mapped, phases, pictured = [], [], [], [], []
    for _ in range(max(5, b.repeat)):
        t0 = time.monotonic()
        res = run_json([b.tool("bench_startup")], b.env, 60)
        if res and "ready" in res[0] and "exposed" in res[0]:
            ours.append(max(res[0]["ready"], res[0]["exposed"]) - t0)
            phases.append({k: res[0][k] - t0 for k in ("main", "application", "window",
                                                       "launched", "exposed", "ready")})
        peer.append(mpv_first_frame(b))
        pictured.append(mpv_first_frame(b, ("--vo=gpu", "--gpu-sw=yes")))
        # The program itself, seen from outside: until its window is mapped.
        proc = subprocess.Popen([b.tool("map_wait"), "30", b.args.program], env=b.env,
                                stdout=subprocess.PIPE, text=True)
        shown = read_line(proc, 40)
        if shown:
            mapped.append(shown["map_s"])
        end_program(proc, shown)
    rows = []
    o, p = median(ours), median(peer)
    if o is None:
        rows.append(unavailable("start-up to window shown and placeholder ready", goal,
                                "the start-up probe gave no result"))
    else:
        rows.append(row("start-up to window shown and placeholder ready", fmt(o * 1000, "ms", 0),
                        fmt(p * 1000, "ms", 0), o / p, goal, o / p <= 1.2,
                        "peer: mpv --vo=null --frames=1 on the placeholder, start to its first frame shown"))
    q = median(pictured)
    if o is not None and q is not None:
        rows.append(row("start-up against mpv with an OpenGL picture", fmt(o * 1000, "ms", 0),
                        fmt(q * 1000, "ms", 0), o / q,
                        note="informative; peer: mpv --vo=gpu --gpu-sw=yes --frames=1, start to "
                             "its first frame shown"))
    if phases:
        def at(key):
            return median([x[key] for x in phases]) * 1000
        rows.append(row("where start-up's time goes (ms after the process started)",
                        "main %.0f, application %.0f, window %.0f, start-up sequence %.0f, "
                        "exposed %.0f, ready %.0f" % tuple(at(k) for k in (
                            "main", "application", "window", "launched", "exposed", "ready"))))
    if mapped:
        rows.append(row("start-up to window mapped, the program itself",
                        fmt(median(mapped) * 1000, "ms", 0), fmt(p * 1000, "ms", 0),
                        median(mapped) / p, note="from outside, on the X display"))
    return rows


def seek_targets():
    rng = random.Random(2024)
    return [round(rng.uniform(0.5, CLIP_SECONDS - 1.0), 3) for _ in range(20)]


def fig_seek(b):
    go_to = seek_targets()
    mark, hops = 20.0, 12
    hop_targets = [mark + k for k in range(1, hops + 1)]
    ours = {"goto": [], "hop": []}
    peer = {"goto": [], "hop": []}
    ratios = {"goto": [], "hop": []}
    for _ in range(b.repeat):
        for label, targets in (("goto", go_to), ("hop", hop_targets)):
            args = [b.tool("bench_seek"), label, b.clip]
            args += (["%.3f" % mark, str(hops)] if label == "hop" else ["%.3f" % t for t in go_to])
            mine = [r["ms"] for r in run_json(args, b.env, 300) if r.get("figure") == "seek_ours"]
            theirs = [r["ms"] for r in run_json([b.tool("peer_seek"), label, b.clip] +
                                                ["%.3f" % t for t in targets], b.env, 300)
                      if r.get("figure") == "seek_peer"]
            if mine and theirs and len(mine[0]) == len(theirs[0]):
                ours[label] += mine[0]
                peer[label] += theirs[0]
                # Each target against the same target: the load of a shared
                # machine moves both alike.
                ratios[label] += [o / p for o, p in zip(mine[0], theirs[0]) if p > 0]
    rows = [fig_back_steps(b)] + fig_frame_steps(b)
    for label, name in (("goto", "exact seek by go-to (%d targets)" % len(go_to)),
                        ("hop", "hop ahead from the mark (%d hops of 1 s)" % hops)):
        if not ratios[label]:
            rows.append(unavailable(name, "≤ 1.1×", "no result"))
            continue
        ratio = median(ratios[label])
        rows.append(row(name + ", median latency", fmt(median(ours[label]), "ms", 0),
                        fmt(median(peer[label]), "ms", 0), ratio, "≤ 1.1×", ratio <= 1.1,
                        "until the new frame is reported; ratio: median of ours/peer per "
                        "target; 1080p30, keyframe every 250 frames; peer: bare libmpv"))
    return rows


def fig_back_steps(b):
    # From the middle of the second keyframe interval (keyframes every 250 frames).
    start, count, goal = "%.3f" % (375 / FPS), "60", "≤ 0.25×"
    name = "run of 60 back steps from the middle of a keyframe interval, total"
    ours, peer = [], []
    for _ in range(b.repeat):
        mine = [r["ms"][0] for r in run_json([b.tool("bench_seek"), "steps", b.clip, start, count],
                                             b.env, 600) if r.get("figure") == "seek_ours"]
        theirs = [r["ms"][0] for r in run_json([b.tool("peer_seek"), "steps", b.clip, start,
                                                count], b.env, 600)
                  if r.get("figure") == "seek_peer"]
        if mine and theirs:
            ours += mine
            peer += theirs
    if not ours:
        return unavailable(name, goal, "no result")
    ratio = median(ours) / median(peer)
    return row(name, fmt(median(ours), "ms", 0), fmt(median(peer), "ms", 0), ratio, goal,
               ratio <= 0.25, "ours: steps asked 30 a second (an arrow key held down) until "
               "the last lands; peer: 60 frame-back-steps of bare libmpv, each waited for; "
               "1080p30, keyframe every 250 frames")


STEP_PICTURE = (1280, 720)  # the size the picture is drawn at on a 1440x900 screen
KEEP_BOUND_MIB = 256


def fig_frame_steps(b):
    # Play 3 s from the middle of a keyframe interval, stop, then single steps.
    start, count = "%.3f" % (375 / FPS), 20
    frame_ms = 1000.0 / FPS
    ours, peer = {"back_ms": [], "forward_ms": [], "new_forward_ms": []}, {"back_ms": [],
                                                                            "forward_ms": []}
    kept, keep_mib, keep_frames = [], [], []
    past, past_seeks, past_fill_seeks = [], [], []
    for _ in range(b.repeat):
        for r in run_json([b.tool("bench_steps"), b.clip, start, str(count)] +
                          [str(x) for x in STEP_PICTURE], b.env, 600):
            if r.get("figure") == "steps_ours":
                for key in ours:
                    ours[key] += [x for x in r[key] if x >= 0]
                kept += r["kept"]
                keep_mib.append(r["keep_bytes"] / 2**20)
                keep_frames.append(r["keep_frames"])
                past += [x for x in r["past_keep_ms"] if x >= 0]
                past_seeks.append(r["past_keep_seeks"])
                past_fill_seeks.append(r["past_keep_fill_seeks"])
        # The peer stands where our stop left the picture: 3 s further on.
        for r in run_json([b.tool("peer_seek"), "framesteps", b.clip, "%.3f" % (375 / FPS + 3.0),
                           str(count)], b.env, 600):
            if r.get("figure") == "steps_peer":
                for key in peer:
                    peer[key] += r[key]
    name = "back step onto a kept frame, key to frame on screen"
    if not ours["back_ms"] or not peer["back_ms"]:
        return [unavailable(name, "≤ 33 ms", "no result")]
    picture = "%dx%d picture of the 1080p clip" % STEP_PICTURE
    back = median(ours["back_ms"])
    rows = [row(name + ", median", fmt(back, "ms", 0), fmt(median(peer["back_ms"]), "ms", 0),
                back / median(peer["back_ms"]), "≤ 33 ms", back <= frame_ms,
                "%d of %d steps found their frame kept; p99 %s; timed from the step to the next "
                "frame swapped to the screen (software OpenGL here); peer: one bare "
                "frame-back-step until the engine reports its frame, no picture"
                % (sum(kept), len(kept), fmt(percentile(ours["back_ms"], 99), "ms", 0)))]
    fwd, new_fwd, bare = (median(ours["forward_ms"]), median(ours["new_forward_ms"]),
                          median(peer["forward_ms"]))
    rows.append(row("forward step, median: onto a kept frame / onto a new frame",
                    "%s / %s" % (fmt(fwd, "ms", 0), fmt(new_fwd, "ms", 0)), fmt(bare, "ms", 0),
                    new_fwd / bare if bare else None, "≤ bare frame-step",
                    max(fwd, new_fwd) <= bare,
                    "ours until the frame is swapped to the screen; peer: bare frame-step until "
                    "the engine reports the frame, no picture; " + picture))
    if past:
        p = median(past)
        rows.append(row("%d back steps past the kept frames, 4 a second, median key to its frame "
                        "on screen" % count, fmt(p, "ms", 0), fmt(median(peer["back_ms"]), "ms", 0),
                        p / median(peer["back_ms"]), "≤ 33 ms", p <= frame_ms,
                        "from a second before the played stretch; p90 %s, slowest %s (a step "
                        "waiting for its stretch to be decoded); the engine's own seeks %s and "
                        "its seeks decoding into the keep %s a run (medians), where bare "
                        "frame-back-steps decode once per step; %s"
                        % (fmt(percentile(past, 90), "ms", 0), fmt(max(past), "ms", 0),
                           median(past_seeks), median(past_fill_seeks), picture)))
    rows.append(row("memory the kept frames take", fmt(median(keep_mib), "MiB", 0),
                    goal="≤ %d MiB" % KEEP_BOUND_MIB, met=median(keep_mib) <= KEEP_BOUND_MIB,
                    note="%d frames of the %s after playing 3 s; at 1920x1080 the bound "
                         "holds 32 frames (253 MiB)" % (median(keep_frames), picture)))
    return rows


def fig_cpu_paused(b):
    goal = "≤ 1 % of a core"
    shares = []
    for _ in range(max(1, b.repeat - 1)):
        proc = subprocess.Popen([b.tool("map_wait"), "30", b.args.program], env=b.env,
                                stdout=subprocess.PIPE, text=True)
        shown = read_line(proc, 40)
        if shown:
            pid = shown["pid"]
            subprocess.run(["xdotool", "windowfocus", str(shown["window"])], env=b.env)
            time.sleep(3)
            shares.append(cpu_share(pid, 30))
        end_program(proc, shown)
    s = median(shares)
    if s is None:
        return [unavailable("CPU while paused, tape counter running", goal, "no window")]
    return [row("CPU while paused, tape counter running (30 s)", fmt(s, "% of a core", 2),
                goal=goal, met=s <= 1.0, note="the program in stopwatch mode, window focused")]


def fig_cpu_playing(b):
    ours, peer, ours_rss, peer_rss = [], [], [], []
    window = 15
    for _ in range(b.repeat):
        proc = subprocess.Popen([b.tool("bench_play"), b.clip, str(window + 8)], env=b.env,
                                stdout=subprocess.PIPE, text=True)
        started = read_line(proc, 30)
        if started:
            time.sleep(2)
            ours.append(cpu_share(proc.pid, window))
            ours_rss.append(peak_rss_mib(proc.pid))
        stop(proc)
        proc = subprocess.Popen(["mpv", "--no-config", "--really-quiet", "--vo=null", "--ao=null",
                                 b.clip], env=b.env)
        time.sleep(3)
        peer.append(cpu_share(proc.pid, window))
        peer_rss.append(peak_rss_mib(proc.pid))
        stop(proc)
    o, p = median(ours), median(peer)
    if o is None:
        return [unavailable("CPU while playing 1080p30", "≤ 1.2×", "the player did not start")]
    mo, mp = median(ours_rss), median(peer_rss)
    return [row("CPU while playing 1080p30 at rate 1, null video output", fmt(o, "%", 0),
                fmt(p, "%", 0), o / p, "≤ 1.2×", o / p <= 1.2,
                "%% of one core over %d s; peer: mpv --vo=null --ao=null" % window),
            row("peak resident memory of the same, null video output", fmt(mo, "MiB", 0),
                fmt(mp, "MiB", 0), mo / mp, note="informative, no goal")]


def memory_split_mib(pid):
    """Resident memory of a process split into the software OpenGL stack's
    libraries (LLVM, the swrast driver), other files, and anonymous memory."""
    split = {"gl": 0, "files": 0, "anon": 0}
    name = None
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            parts = line.split()
            if parts and "-" in parts[0] and len(parts) >= 5 and ":" in parts[3]:
                name = parts[5] if len(parts) > 5 else ""
            elif parts and parts[0] == "Rss:":
                kib = int(parts[1])
                if "libLLVM" in name or "swrast_dri" in name or "libgallium" in name:
                    split["gl"] += kib
                elif name.startswith("/"):
                    split["files"] += kib
                else:
                    split["anon"] += kib
    return {k: v / 1024.0 for k, v in split.items()}


def fig_memory(b):
    peaks, splits, cpu, played = [], [], [], []
    docs = os.path.join(b.home, "Documents", "Keystamp")
    for _ in range(b.repeat):
        before = set(os.listdir(docs)) if os.path.isdir(docs) else set()
        proc = subprocess.Popen([b.tool("map_wait"), "30", b.args.program, b.clip], env=b.env,
                                stdout=subprocess.PIPE, text=True)
        shown = read_line(proc, 40)
        if shown:
            pid = shown["pid"]
            subprocess.run(["xdotool", "windowfocus", "--sync", str(shown["window"])], env=b.env)
            time.sleep(3)
            subprocess.run(["xdotool", "key", "space"], env=b.env)
            time.sleep(2)
            cpu.append(cpu_share(pid, 10))
            peaks.append(peak_rss_mib(pid))
            splits.append(memory_split_mib(pid))
        end_program(proc, shown)
        # The session's transcript tells whether the space bar started playback.
        after = set(os.listdir(docs)) if os.path.isdir(docs) else set()
        text = ""
        for name in after - before:
            with open(os.path.join(docs, name), encoding="utf-8") as f:
                text += f.read()
        played.append("play_x_" in text)
    # The engine alone with the same kind of picture: OpenGL, here in software.
    peer, peer_split = None, None
    proc = subprocess.Popen(["mpv", "--no-config", "--really-quiet", "--vo=gpu", "--gpu-sw=yes",
                             "--ao=null", b.clip], env=b.env)
    time.sleep(15)
    if proc.poll() is None:
        peer, peer_split = peak_rss_mib(proc.pid), memory_split_mib(proc.pid)
    stop(proc)
    m = median(peaks)
    goal = "≤ 1.1× peer + %d MiB (the kept frames' bound)" % KEEP_BOUND_MIB
    if m is None:
        return [unavailable("peak memory, 1080p clip playing", goal, "no window")]
    note = ("the program with its OpenGL picture, which keeps the frames it showed; peer: mpv "
            "--vo=gpu --gpu-sw=yes")
    if not all(played):
        note += "; playback did not start in every run"
    rows = [row("peak resident memory, 1080p clip loaded and playing", fmt(m, "MiB", 0),
                fmt(peer, "MiB", 0), m / peer if peer else None, goal,
                m <= 1.1 * peer + KEEP_BOUND_MIB if peer else None, note)]
    if splits:
        def part(key, of):
            return median([x[key] for x in of])
        rows.append(row("resident memory by kind: software OpenGL libraries, other files, "
                        "anonymous",
                        "%.0f + %.0f + %.0f MiB" % (part("gl", splits), part("files", splits),
                                                    part("anon", splits)),
                        "%.0f + %.0f + %.0f MiB" % (peer_split["gl"], peer_split["files"],
                                                    peer_split["anon"]) if peer_split else "—",
                        note="while playing"))
    rows.append(row("CPU while playing 1080p30 with the picture, the program itself",
                    fmt(median(cpu), "%", 0), note="% of one core; informative, no goal"))
    return rows


def fig_clock(b):
    if not os.path.exists(b.placeholder):
        return [unavailable("stopwatch clock", "≤ 5 ms", "resources/movie.mp4 is missing")]
    runs = [r for _ in range(max(1, b.repeat - 1))
            for r in run_json([b.tool("bench_clock"), b.placeholder, "60"], b.env, 120)
            if r.get("figure") == "clock"]
    if not runs:
        return [unavailable("stopwatch clock", "≤ 5 ms", "no result")]
    res = median([r["resolution_ms"] for r in runs])
    drift = median([abs(r["drift_ms"]) for r in runs])
    back = sum(r["backward_steps"] for r in runs)
    still = median([r["longest_still_ms"] for r in runs])
    gap = max(r["longest_sampling_gap_ms"] for r in runs)
    return [row("stopwatch clock resolution over 60 s at rate 1", fmt(res, "ms", 1),
                goal="≤ 5 ms", met=res <= 5.0,
                note="placeholder; longest still reading %.1f ms; %d backward steps; "
                     "read every %.1f ms or so (longest gap %.0f ms)"
                     % (still, back, median([r["median_interval_ms"] for r in runs]), gap)),
            row("stopwatch clock drift against the wall clock over 60 s", fmt(drift, "ms", 1),
                goal="≤ 5 ms", met=drift <= 5.0,
                note="largest deviation during the run: %.1f ms"
                     % median([r["max_deviation_ms"] for r in runs]))]


def fig_fidelity(b):
    goal = "every key within one frame (33.3 ms)"
    errors, raw, lag, unread = [], [], [], 0
    for i in range(b.repeat):
        for r in run_json([b.tool("bench_fidelity"), b.coded, "20", str(1000 + i)], b.env, 120):
            if r.get("figure") == "fidelity":
                errors += r["errors_ms"]
                raw += r["raw_errors_ms"]
                lag += r["screen_lag_frames"]
                unread += r["unread"]
    if not errors:
        return [unavailable("time-stamp fidelity", goal, "no key could be checked")]
    frame = 1000.0 / FPS
    worst, worst_raw = max(errors, key=abs), max(raw, key=abs)
    within = sum(1 for e in raw if abs(e) < frame)
    return [row("time-stamp fidelity: the player's time at a key minus the time of the frame "
                "on screen", "worst %+.1f ms, median %+.1f ms" % (worst_raw, statistics.median(raw)),
                goal=goal, met=within == len(raw),
                note="%d of %d keys within one frame (%d unreadable frames); as stamped "
                     "(two decimals): worst %+.1f ms, median %+.1f ms; the screen was behind the "
                     "engine's frame at %d keys (by up to %d frames)"
                     % (within, len(raw), unread, worst, statistics.median(errors),
                        sum(1 for x in lag if x > 0), max(lag, default=0)))]


STAMP_SECONDS = 20
STALL_MS = 300
SLOW_SYNC_MS = 200


def fig_stamps(b):
    """Stamps and key latency with the interface stalled and with a slow
    disk, each against the same run with neither. Each run's worst error and
    p99 latency, then the median over the runs, as elsewhere: a shared
    machine's hiccup in one run does not make the figure."""
    frame = 1000.0 / FPS
    goal = "every key within one frame (33.3 ms)"
    shim = b.args.trace_shim
    slow_env = dict(b.env, LD_PRELOAD=shim or "", KEYSTAMP_TRACE_SLOW_SYNC_MS=str(SLOW_SYNC_MS))
    runs = {"plain": [], "stall": [], "slow": []}
    for i in range(b.repeat):
        cmd = [b.tool("bench_stamps"), b.coded, str(STAMP_SECONDS), str(2000 + i)]
        runs["plain"] += run_json(cmd, b.env, 120)
        runs["stall"] += run_json(cmd + ["--stall-ms", str(STALL_MS)], b.env, 120)
        if shim and os.path.exists(shim):
            runs["slow"] += run_json(cmd, slow_env, 120)
    for kind in runs:
        runs[kind] = [r for r in runs[kind] if r.get("figure") == "stamps" and r["errors_ms"]]

    def keys(kind):
        return sum(len(r["errors_ms"]) for r in runs[kind])

    def errors(kind):
        """Text, median of the runs' worst errors, and the keys within a frame."""
        worst = median([abs(max(r["errors_ms"], key=abs)) for r in runs[kind]])
        pooled = [e for r in runs[kind] for e in r["errors_ms"]]
        within = sum(1 for e in pooled if abs(e) < frame)
        return ("worst %.1f ms, median %+.1f ms (%d of %d within a frame)"
                % (worst, statistics.median(pooled), within, len(pooled)), worst)

    def latency(kind):
        return (median([percentile(r["latency_ms"], 50) for r in runs[kind]]),
                median([percentile(r["latency_ms"], 99) for r in runs[kind]]))

    if not runs["plain"]:
        return [unavailable("time-stamp error under a stall or a slow disk", goal, "no key")]
    plain_text, plain_worst = errors("plain")
    rows = []
    if runs["stall"]:
        text, worst = errors("stall")
        waited = median([x for r in runs["stall"] for x in r["latency_ms"]])
        rows.append(row("time-stamp error with the interface stalled %d ms at random moments: "
                        "the player's time at a key pressed during the stall minus the clock's "
                        "at the press" % STALL_MS, text, plain_text, goal=goal,
                        met=worst < frame and plain_worst < frame,
                        note="peer: the same run without stalls; worst: median of the runs' "
                             "worst; the keys waited %.0f ms (median) for the stall to end"
                             % waited))
    else:
        rows.append(unavailable("time-stamp error with the interface stalled", goal, "no result"))
    if not runs["slow"]:
        why = "no trace shim given" if not shim else "no result"
        rows.append(unavailable("key to line latency, journal fdatasync slowed to %d ms"
                                % SLOW_SYNC_MS, "p99 ≤ 2× the fast disk's", why))
        return rows
    (med_slow, p99_slow), (med_fast, p99_fast) = latency("slow"), latency("plain")
    rows.append(row("key to transcript line, from the press through the X server, every journal "
                    "fdatasync slowed to %d ms: median, p99" % SLOW_SYNC_MS,
                    "%.1f ms, %.1f ms" % (med_slow, p99_slow),
                    "%.1f ms, %.1f ms" % (med_fast, p99_fast), p99_slow / p99_fast,
                    "p99 ≤ 2×", p99_slow <= 2.0 * p99_fast,
                    note="peer: the same run on the fast disk; ratio of the p99s; each run's "
                         "figures, median over the runs; %d and %d keys; LD_PRELOAD trace shim"
                         % (keys("slow"), keys("plain"))))
    text, worst = errors("slow")
    rows.append(row("time-stamp error with every journal fdatasync slowed to %d ms"
                    % SLOW_SYNC_MS, text, plain_text, goal=goal,
                    met=worst < frame and plain_worst < frame,
                    note="peer: the same run on the fast disk; worst: median of the runs' worst"))
    return rows


DATA_KEYS = ["w", "r", "s", "l", "a", "shift-A", "b", "c"]
DATA_SCHEME = """w walk state locomotion
r run state locomotion
s sit state posture
l lie state posture
a alarm point
shift-A alarm point
b bark point
c call point
"""


def write_data_transcript(path, seed, lines):
    """A long coded session: keys every 0.01-0.5 s, transport now and then,
    a typed note every thousand lines."""
    rnd = random.Random(seed)
    t = 0.0
    out = ["#", "# started_at Saturday, December 5, 2026 6:14:46 PM", "# video_name bench"]
    for i in range(lines):
        t += rnd.randint(1, 50) / 100.0
        if i % 1000 == 999:
            out.append("note %d" % i)
        entry = ("stop" if i % 2000 == 500 else "play_x_1.00" if i % 2000 == 510
                 else rnd.choice(DATA_KEYS))
        out.append("%8.2f  18:15:00  %s" % (t, entry))
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def timed_run(cmd, env):
    """Wall time in seconds and peak resident memory in MiB of one run."""
    t0 = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        raise RuntimeError("%s exited with %d" % (" ".join(cmd[:2]), proc.returncode))
    return time.monotonic() - t0, usage.ru_maxrss / 1024.0


def fig_data(b):
    tool = b.args.data_tool
    if not tool or not os.path.exists(tool):
        return [unavailable("keystamp-data on 100 000-line transcripts", "≤ 0.5 s",
                            "the keystamp-data tool was not given")]
    a, c = os.path.join(b.tmp, "a.txt"), os.path.join(b.tmp, "b.txt")
    scheme = os.path.join(b.tmp, "scheme.txt")
    write_data_transcript(a, 1, 100000)
    write_data_transcript(c, 2, 100000)
    with open(scheme, "w") as f:
        f.write(DATA_SCHEME)
    rows = []
    for name, args in (("summary", ["summary", a, c]),
                       ("agree --interval 1", ["agree", a, c, "--interval", "1"]),
                       ("transitions", ["transitions", a, c]),
                       ("latency", ["latency", a, c]),
                       ("summary --bin 60", ["summary", a, c, "--bin", "60"])):
        runs = [timed_run([tool] + args + ["--scheme", scheme], b.env)
                for _ in range(max(3, b.repeat))]
        seconds, peak = median([r[0] for r in runs]), median([r[1] for r in runs])
        rows.append(row("keystamp-data %s on two 100 000-line transcripts" % name,
                        fmt(seconds * 1000, "ms", 0), goal="≤ 0.5 s", met=seconds <= 0.5,
                        note="peak resident memory %.0f MiB" % peak))
    return rows


def fig_reopen(b):
    runs = [r for _ in range(b.repeat)
            for r in run_json([b.tool("bench_reopen"), b.coded], b.env, 600)
            if r.get("figure") == "reopen"]
    if not runs:
        return [unavailable("reopen, 100 000 lines", "≤ 1 s", "no result")]
    ok = all(r["ok"] for r in runs)
    m = {k: median([r[k] for r in runs]) for k in runs[0] if k.endswith("_ms")}
    note = "the picture on the last line's frame: %.0f ms" % m["reopen_settled_ms"]
    if not ok:
        note += "; a reopen did not show its lines, play its video or record its key"
    return [
        row("reopen a transcript of 100 000 lines with its video (libmpv), request to keys "
            "recorded", "%.0f ms" % m["reopen_ms"], goal="≤ 1 s",
            met=ok and m["reopen_ms"] <= 1000.0, note=note),
        row("key put in by time mid-transcript, 100 000 lines (median, p99)",
            "%.2f ms, %.2f ms" % (m["insert_mid_median_ms"], m["insert_mid_p99_ms"]),
            goal="median ≤ 2× the append at the end (%.2f ms)" % m["insert_end_median_ms"],
            met=m["insert_mid_median_ms"] <= 2 * m["insert_end_median_ms"]),
        row("marking the playhead's line while playing, 100 000 lines (median, p99)",
            "%.3f ms, %.3f ms" % (m["mark_median_ms"], m["mark_p99_ms"]), goal="≤ 1 ms a frame",
            met=m["mark_p99_ms"] <= 1.0,
            note="reading the lines' times again after a change: %.0f ms" % m["mark_rebuild_ms"]),
    ]


FIGURES = [("key to transcript line", fig_keys), ("save", fig_save),
           ("start-up", fig_startup), ("exact seek and hop", fig_seek),
           ("CPU while paused", fig_cpu_paused), ("CPU while playing", fig_cpu_playing),
           ("memory", fig_memory), ("stopwatch clock", fig_clock),
           ("time-stamp fidelity", fig_fidelity), ("stamps under load", fig_stamps),
           ("behaviour data", fig_data), ("timeline", fig_timeline), ("reopen", fig_reopen)]


# ---------------------------------------------------------------- report


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        total = int(f.readline().split()[1]) / 1024 / 1024
    return "%d cores, %s, %.1f GiB memory" % (os.cpu_count(), model, total)


def versions():
    def first_line(cmd):
        try:
            return subprocess.run(cmd, capture_output=True, text=True).stdout.splitlines()[0]
        except (OSError, IndexError):
            return "?"
    mods = first_line(["pkg-config", "--modversion", "mpv"])
    return "%s (libmpv %s), %s" % (" ".join(first_line(["mpv", "--version"]).split()[:2]), mods,
                                   " ".join(first_line(["ffmpeg", "-version"]).split()[:3]))


def table(rows):
    out = ["| figure | ours | peer | ratio | goal | met? |", "|---|---|---|---|---|---|"]
    for r in rows:
        figure = r["figure"] + (" — " + r["note"] if r["note"] else "")
        out.append("| %s | %s | %s | %s | %s | %s |" % (figure, r["ours"], r["peer"], r["ratio"],
                                                      r["goal"], r["met"]))
    return "\n".join(out)


METHOD = """\
## How each figure is measured

- **Key to transcript line**: `recordKey` through the player view's key entry
  and the append to the transcript, in process, on real widgets under Xvfb,
  2000 keys at each size (0, 10 000 and 100 000 lines already there), timed one
  by one; the event loop runs between keys, untimed. With and without the crash
  journal, which the program installs. The breakdown times the clock text (a
  date formatter), the key's name and the append alone.
- **Save**: `saveAndClearScript` of 100 000 lines, three sessions per run, the
  journal listening as in the program. The breakdown times reading the text,
  counting its characters, writing a file, syncing the folder and emptying the
  view, each alone.
- **Start-up**: a bench program that runs the program's own start-up
  (`AppDelegate`, as `main` does), timed from just before the process is
  started until its window is exposed and the placeholder reports ready to
  play; against `mpv --vo=null --frames=1` on the same placeholder, from its
  start until it reports its first frame shown (its exit comes one frame
  duration later, 4 s on the placeholder). The program itself is also timed
  from outside until its window is mapped.
- **Exact seek and hop**: `seekToTime` with go-to texts and `hopAhead` on the
  libmpv player with the null video output, timed until the player reports
  the seek settled on its frame (`MpvPlayer::settled`); against bare libmpv
  (`seek T absolute+exact` until playback restarts) to the same targets in the
  same order. The ratio is the median of the per-target ratios.
- **Run of back steps**: the same player stands 12.5 s in (the middle of a
  keyframe interval); 60 frame steps back are asked for 30 a second, as an
  arrow key held down sends them, timed from the first until the player
  reports the last landed; against bare libmpv doing 60 `frame-back-step`s
  from the same place, each waited for until playback restarts.
- **Frame steps**: the 1080p clip plays 3 s at rate 1 in an OpenGL picture
  of 1280x720 (the size it is drawn at in the program on this screen) from
  12.5 s and stops; then 20 single steps back and 20 forward, 150 ms apart
  with the engine caught up between them, and 20 steps forward past the stop
  (frames never shown), each timed from the step to the next frame the window
  swaps to the screen. The keep's memory is read after playing. Then, from a
  second before 12.5 s (never played), 20 steps back 250 ms apart without
  waiting for the engine, each timed until its own frame is swapped to the
  screen (kept, or the engine's). The peer is
  bare libmpv (null output) standing where our stop left off: 20
  `frame-back-step`s, then 20 `frame-step`s, each timed until the engine
  reports the new time.
- **CPU while paused**: the program in stopwatch mode, its window focused,
  CPU time from /proc over 30 s.
- **CPU while playing**: the libmpv player with the null video output playing
  the 1080p clip at rate 1, against `mpv --vo=null --ao=null`, CPU time from
  /proc over the same span.
- **Memory**: the program started with the 1080p clip, played with the space
  bar; peak resident memory (VmHWM) after 12 s, and what the resident memory
  is made of (/proc smaps). The peer is mpv with the same kind of picture,
  OpenGL (`--vo=gpu --gpu-sw=yes`, software rendering on this display).
- **Stopwatch clock**: the player on the placeholder at rate 1 for 60 s, read
  about every millisecond: the resolution is the longest time one reading
  stood still (from the first to the last read that showed it), or the time
  between reads when the reading moved at every read; the drift is the
  difference between the time the clock advanced and the wall clock's.
- **Time-stamp fidelity**: the frame-coded clip plays at rate 1 in the OpenGL
  video view; at random moments a key press goes to the player view, and the
  screen under the view is read back at once: the frame number in its colour
  blocks gives the time of the frame on screen, compared with the player's
  time at the key (what the line is stamped with before its two decimals)
  and with the time as written in the line.
- **Stamps under load**: the frame-coded clip plays at rate 1 in the OpenGL
  video view with the journal listening; a helper thread presses a key
  through the X server (XTEST) every 0.2-0.6 s for 20 s. Just before each
  press the user-interface thread notes the clock's reading; the key's error
  is the player's time at the key (as `recordKey` gets it) minus that
  reading plus the time since, at rate 1, and its latency runs from the
  press to its line in the transcript. Three runs alike but for one fault:
  none; the user-interface thread asleep 300 ms from the note on, the press
  falling inside that stall; every `fdatasync` of the journal taking 200 ms
  (an LD_PRELOAD shim, tests/shim/trace_syncs.cpp). Each run gives its worst
  error and its latencies' median and p99 (about 50 keys a run: the p99 is
  its slowest key); the figures are medians over the runs.
- **Behaviour data**: `keystamp-data summary`, `agree --interval 1`,
  `transitions`, `latency` and `summary --bin 60` with a
  scheme of four states in two groups and four points, on two generated
  transcripts of 100 000 time-stamped lines each (keys 0.01-0.5 s apart, about
  seven hours; stops, plays and notes among them), timed from the start of the
  process to its exit; the peak resident memory is the process's own.
- **Timeline**: the strip under the picture on a transcript of 100 000
  time-stamped lines coded with a scheme of three states and two points, a
  video length of 40 000 s, on real widgets under Xvfb: 500 keys, each line
  added as the recorder adds it (untimed), then the strip's coding and a
  synchronous repaint, timed together; then 20 edits in the first line (all
  lines coded again) and 20 zooms (every row drawn again). The key path with
  the strip listening is `bench_keys --timeline` against `bench_keys`, both
  without the journal, interleaved.
- **Reopen**: a transcript of 100 000 time-stamped lines, its video (the
  frame-coded clip) beside it, reopened in the libmpv player with the OpenGL
  output on real widgets under Xvfb, timed from the request until a key
  pressed through the X server (XTEST) is in the transcript at the last
  line's time; the reopened lines span the clip's first 50 s, so that the
  last line's frame is in it. Then, on lines 0.37 s apart and a still player:
  200 keys put in by time in the middle against 200 at the end, alternately,
  and 1000 looks of the playhead's mark a frame apart.

Ratios are ours divided by the peer's, measured in the same run on the same
clip; every figure is a median over the runs.
"""


def write_report(path, rows, started, seconds, load, repeat):
    text = ["# Performance", "",
            "Generated by `make bench` (bench/run_bench.py); do not edit by hand.", "",
            "- Date: %s" % started.strftime("%Y-%m-%d %H:%M %Z").strip(),
            "- Machine: %s" % machine(),
            "- Load average when the run started: %.2f, %.2f, %.2f" % load,
            "- Engine: %s" % versions(),
            "- Clips: 1080p30 H.264, %d s, keyframe every 250 frames (ffmpeg testsrc2); "
            "frame-coded 640x360 at %d fps, %d s" % (CLIP_SECONDS, FPS, CODED_SECONDS),
            "- Runs per figure: %d (start-up: %d; CPU while paused and the clock: %d); "
            "whole run %.0f s" % (repeat, max(5, repeat), max(1, repeat - 1), seconds),
            "", table(rows), "", METHOD]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(text))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench-dir", required=True, help="folder of the bench programs")
    parser.add_argument("--program", required=True, help="the keystamp program")
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--out", help="where to write the Markdown report")
    parser.add_argument("--repeat", type=int, default=3, help="runs per figure")
    parser.add_argument("--only", action="append", help="run only figures whose name has this")
    parser.add_argument("--data-tool", help="the keystamp-data tool")
    parser.add_argument("--clip-dir", help="keep the clips in this folder and reuse them")
    parser.add_argument("--trace-shim", help="the LD_PRELOAD trace shim that slows syncs")
    args = parser.parse_args()
    if "DISPLAY" not in os.environ:
        log("run_bench.py needs an X display (run it under xvfb-run)")
        return 0

    started = datetime.datetime.now().astimezone()
    t0 = time.monotonic()
    load = os.getloadavg()
    b = Bench(args)
    rows = []
    try:
        make_clips(b)
        for name, figure in FIGURES:
            if args.only and not any(o in name for o in args.only):
                continue
            log("measuring %s..." % name)
            try:
                rows += figure(b)
            except Exception as e:  # a broken figure is reported, the others still run
                rows.append(unavailable(name, "—", "failed: %s" % str(e).splitlines()[0]))
    finally:
        b.cleanup()
    seconds = time.monotonic() - t0
    print(table(rows))
    if args.out:
        write_report(args.out, rows, started, seconds, load, args.repeat)
        log("written to %s" % args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
