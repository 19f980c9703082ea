#!/usr/bin/python3
"""Helpers of bench/run: seeding a Maildir, timing cycles, printing the table.

  bench.py seed MAILDIR COUNT SEED     write COUNT kept messages straight into a Maildir
  bench.py add MAILDIR NAME SUBJECT    deliver one new text mail
  bench.py cycles CONFIG.json          the alternating timed cycles and the table
"""
import base64
import json
import os
import random
import re
import statistics
import subprocess
import sys
import time

LOREM = ("Quarterly figures, meeting notes and the usual follow-ups. "
         "Please see the points below and reply by Friday. ").split()


def text_body(rng, size):
    words = []
    length = 0
    while length < size:
        word = rng.choice(LOREM)
        words.append(word)
        length += len(word) + 1
    lines, line = [], []
    for word in words:
        line.append(word)
        if len(" ".join(line)) > 68:
            lines.append(" ".join(line))
            line = []
    lines.append(" ".join(line))
    return "\r\n".join(lines) + "\r\n"


def message(rng, subject, message_id, attachment_size=0):
    head = ("Return-Path: <bench@example.com>\r\n"
            "Received: from mx.example.com by mail.example.com; Mon, 2 Dec 2024 09:00:00 +0900\r\n"
            "From: Bench Sender <bench@example.com>\r\n"
            "To: reader@example.jp\r\n"
            f"Subject: {subject}\r\n"
            "Date: Mon, 2 Dec 2024 09:00:00 +0900\r\n"
            f"Message-ID: <{message_id}>\r\n"
            "MIME-Version: 1.0\r\n")
    body = text_body(rng, rng.randint(1500, 6000))
    if attachment_size == 0:
        return (head + "Content-Type: text/plain; charset=us-ascii\r\n\r\n" + body).encode()
    data = base64.encodebytes(rng.randbytes(attachment_size)).decode().replace("\n", "\r\n")
    return (head + 'Content-Type: multipart/mixed; boundary="b1"\r\n\r\n'
            "--b1\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n" + body +
            "--b1\r\nContent-Type: application/pdf\r\n"
            'Content-Disposition: attachment; filename="report.pdf"\r\n'
            "Content-Transfer-Encoding: base64\r\n\r\n" + data + "--b1--\r\n").encode()


def deliver(maildir, name, content):
    # The size in the name spares Dovecot reading every file for LIST.
    name = f"{name},S={len(content)},W={len(content)}"
    tmp = os.path.join(maildir, "tmp", name)
    with open(tmp, "wb") as f:
        f.write(content)
    owner = os.environ.get("BENCH_MAIL_OWNER")  # "uid:gid" when Dovecot runs as another user
    if owner:
        uid, gid = (int(x) for x in owner.split(":"))
        os.chown(tmp, uid, gid)
    os.rename(tmp, os.path.join(maildir, "cur", name + ":2,"))


def seed(maildir, count, seed_value):
    rng = random.Random(int(seed_value))
    for sub in ("tmp", "new", "cur"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    base = 1600000000
    for i in range(1, int(count) + 1):
        # One message in twenty carries an attachment of 50-500 KB.
        attachment = rng.randint(50_000, 500_000) if i % 20 == 0 else 0
        deliver(maildir, f"{base + i}.B{i}", message(rng, f"Bench message {i}",
                                                     f"bench-{i}@example.com", attachment))


def add(maildir, name, subject):
    rng = random.Random(name)
    deliver(maildir, name, message(rng, subject, f"{name}@example.com"))


# ---------------------------------------------------------------- timing


def run_measured(command, env):
    """Runs command; wall and CPU time in seconds, peak memory in KiB, status."""
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    err = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, process.returncode, err


LOGOUT = re.compile(r"pop3\((\S+)\).*Logged out top=(\d+)/\d+, retr=(\d+)/\d+.*out=(\d+)")


class Resident:
    """The resident cycle helper of one mailbox: a cycle per request."""

    def __init__(self, launch):
        self.process = subprocess.Popen(launch["command"], env=launch["env"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        text=True)

    def cycle(self):
        self.process.stdin.write("cycle\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline().split()
        if len(answer) != 4:
            return 0.0, 0.0, 0, 1, "the resident helper ended"
        wall, cpu, rss, ok = answer
        return float(wall), float(cpu), int(rss), 0 if ok == "1" else 1, ""

    def close(self):
        self.process.stdin.close()
        self.process.wait()


def sessions(log_path, user):
    try:
        with open(log_path, errors="replace") as f:
            return [m for m in (LOGOUT.search(line) for line in f) if m and m.group(1) == user]
    except FileNotFoundError:
        return []


def last_session(log_path, user, before):
    """Bytes sent and messages retrieved by the session that just ended."""
    for _ in range(200):
        found = sessions(log_path, user)
        if len(found) > before:
            m = found[-1]
            # fetchmail takes kept mail with TOP, we with RETR: both count.
            return int(m.group(4)), int(m.group(2)) + int(m.group(3))
        time.sleep(0.01)
    return None, None


def cycles(config_path):
    with open(config_path) as f:
        config = json.load(f)
    reps = config["reps"]
    log_path = config["dovecot_log"]
    rows = []
    for box in config["mailboxes"]:
        results = {}
        resident = Resident(box["resident"])
        for rep in range(reps):
            for case in ("no new mail", "one new mail"):
                if case == "one new mail":
                    name = f"{1700000000 + rep}.N{box['count']}R{rep}"
                    add(box["maildir"], name, f"New mail {rep} for {box['count']}")
                # Alternate which program goes first, so neither always meets a
                # server that just answered the other.
                programs = ("quiben", "fetchmail", "resident")
                programs = programs if rep % 2 == 0 else programs[::-1]
                for program in programs:
                    before = len(sessions(log_path, box["user"]))
                    if program == "resident":
                        wall, cpu, rss, status, err = resident.cycle()
                    else:
                        wall, cpu, rss, status, err = run_measured(box[program]["command"],
                                                                   box[program]["env"])
                    ok_status = (0,) if program == "quiben" else (0, 1)
                    if status not in ok_status:
                        sys.exit(f"bench: {program} failed with status {status} on "
                                 f"{box['count']} messages: {err.strip()}")
                    sent, retrieved = last_session(log_path, box["user"], before)
                    results.setdefault((case, program), []).append(
                        (wall, cpu, rss, sent, retrieved))
        resident.close()
        for case in ("no new mail", "one new mail"):
            for program in ("quiben", "resident", "fetchmail"):
                samples = results[(case, program)]
                rows.append({
                    "n": box["count"], "case": case, "program": program,
                    "wall": statistics.median(s[0] for s in samples),
                    "cpu": statistics.median(s[1] for s in samples),
                    "bytes": statistics.median(s[3] or 0 for s in samples),
                    "retrieved": statistics.median(s[4] or 0 for s in samples),
                    "rss": max(s[2] for s in samples),
                })
    print_table(rows, reps)


LABELS = {"quiben": "quiben --once", "resident": "quiben resident", "fetchmail": "fetchmail"}


def ratios_to_fetchmail(rows, program):
    ratios = []
    for r in rows:
        if r["program"] != program:
            continue
        other = next(o for o in rows if o["n"] == r["n"] and o["case"] == r["case"]
                     and o["program"] == "fetchmail")
        ratios.append((r["wall"] / other["wall"], r))
    return ratios


def print_table(rows, reps):
    print(f"median of {reps} alternating cycles per row; peak memory is the largest seen")
    print("quiben --once starts a process per cycle; quiben resident is the same cycle in a "
          "long-lived process, as the desktop program runs it")
    header = f"{'messages':>8}  {'cycle':<13} {'program':<15} {'wall ms':>8} {'CPU ms':>7} " \
             f"{'POP3 bytes':>11} {'retrieved':>9} {'peak MB':>8}"
    print(header)
    print("-" * len(header))
    for r in rows:
        print(f"{r['n']:>8}  {r['case']:<13} {LABELS[r['program']]:<15} {r['wall'] * 1000:>8.1f} "
              f"{r['cpu'] * 1000:>7.1f} {r['bytes']:>11.0f} {r['retrieved']:>9.0f} "
              f"{r['rss'] / 1024:>8.1f}")
    print()
    for program in ("resident", "quiben"):
        for ratio, r in ratios_to_fetchmail(rows, program):
            print(f"{LABELS[program]}/fetchmail time, {r['n']} messages, {r['case']}: {ratio:.2f}")
    quiben_idle = {r["n"]: r["wall"] for r in rows
                   if r["program"] == "quiben" and r["case"] == "no new mail"}
    if len(quiben_idle) > 1:
        small, large = min(quiben_idle), max(quiben_idle)
        print(f"quiben --once no-new-mail time, {large} vs {small} messages: "
              f"{quiben_idle[large] / quiben_idle[small]:.2f}x")
    worst = max(ratio for ratio, _ in ratios_to_fetchmail(rows, "quiben"))
    print(f"worst cycle/fetchmail time ratio: {worst:.2f}")


if __name__ == "__main__":
    commands = {"seed": seed, "add": add, "cycles": cycles}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    commands[sys.argv[1]](*sys.argv[2:])
