#!/usr/bin/python3
"""Helpers of bench/run: seeding a Maildir, timing cycles, printing the table.

  bench.py seed MAILDIR COUNT SEED     write COUNT kept messages straight into a Maildir
                                       (read, as after earlier polls)
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


def deliver(maildir, name, content, flags=""):
    # The size in the name spares Dovecot reading every file for LIST.
    name = f"{name},S={len(content)},W={len(content)}"
    tmp = os.path.join(maildir, "tmp", name)
    with open(tmp, "wb") as f:
        f.write(content)
    owner = os.environ.get("BENCH_MAIL_OWNER")  # "uid:gid" when Dovecot runs as another user
    if owner:
        uid, gid = (int(x) for x in owner.split(":"))
        os.chown(tmp, uid, gid)
    os.rename(tmp, os.path.join(maildir, "cur", name + ":2," + flags))


def seed(maildir, count, seed_value):
    rng = random.Random(int(seed_value))
    for sub in ("tmp", "new", "cur"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    base = 1600000000
    for i in range(1, int(count) + 1):
        # One message in twenty carries an attachment of 50-500 KB.
        attachment = rng.randint(50_000, 500_000) if i % 20 == 0 else 0
        # Read: fetchmail keeps track of IMAP mail by the \Seen flag alone.
        deliver(maildir, f"{base + i}.B{i}", message(rng, f"Bench message {i}",
                                                     f"bench-{i}@example.com", attachment), "S")


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


# Polls come minutes apart, so a poll rarely meets a change of the last
# seconds. Dovecot rescans a Maildir folder changed within the last seconds
# at every access, a cost that grows with the folder and falls on whichever
# program comes first. So every change (the new mail, fetchmail marking mail
# read over IMAP) is left to settle, and Dovecot's index brought up to date
# (as delivery through Dovecot would leave it), before the next program.
SETTLE_SECONDS = 2.5


def settle(config, box):
    time.sleep(SETTLE_SECONDS)
    subprocess.run(["doveadm", "-c", config["dovecot_conf"], "mailbox", "status", "-u",
                    box["user"], "messages", "INBOX"], stdout=subprocess.DEVNULL, check=True)


# A session's end in Dovecot's log: bytes it sent, messages it handed out.
LOGOUTS = {
    "pop3": re.compile(r"pop3\((\S+)\).*Logged out top=(\d+)/\d+, retr=(\d+)/\d+.*out=(\d+)"),
    "imap": re.compile(r"imap\((\S+)\).*Logged out in=\d+ out=(\d+) hdr_count=\d+ "
                       r"body_count=(\d+)"),
}


def session_figures(protocol, match):
    """Bytes sent and messages retrieved by one session's log line."""
    if protocol == "pop3":
        # fetchmail takes kept mail with TOP, we with RETR: both count.
        return int(match.group(4)), int(match.group(2)) + int(match.group(3))
    # IMAP: a body fetched whole (BODY[]) or in its text part (BODY[TEXT]).
    return int(match.group(2)), int(match.group(3))


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


def sessions(log_path, protocol, user):
    try:
        with open(log_path, errors="replace") as f:
            return [m for m in (LOGOUTS[protocol].search(line) for line in f)
                    if m and m.group(1) == user]
    except FileNotFoundError:
        return []


def last_session(log_path, protocol, user, before):
    """Bytes sent and messages retrieved by the session that just ended."""
    for _ in range(200):
        found = sessions(log_path, protocol, user)
        if len(found) > before:
            return session_figures(protocol, found[-1])
        time.sleep(0.01)
    return None, None


def run_program(program, residents):
    if program["kind"] == "resident":
        return residents[program["name"]].cycle()
    return run_measured(program["command"], program["env"])


def cycles(config_path):
    with open(config_path) as f:
        config = json.load(f)
    reps = config["reps"]
    log_path = config["dovecot_log"]
    rows = []
    for box in config["mailboxes"]:
        results = {}
        programs = box["programs"]
        residents = {p["name"]: Resident(p) for p in programs if p["kind"] == "resident"}
        for rep in range(reps):
            for case in ("no new mail", "one new mail"):
                if case == "one new mail":
                    name = f"{1700000000 + rep}.N{box['count']}R{rep}"
                    add(box["maildir"], name, f"New mail {rep} for {box['count']}")
                settle(config, box)
                # Alternate the order, so no program always meets a server
                # that just answered another.
                for program in (programs if rep % 2 == 0 else programs[::-1]):
                    protocol = program["protocol"]
                    before = len(sessions(log_path, protocol, box["user"]))
                    wall, cpu, rss, status, err = run_program(program, residents)
                    ok_status = (0, 1) if program["kind"] == "fetchmail" else (0,)
                    if status not in ok_status:
                        sys.exit(f"bench: {program['name']} failed with status {status} on "
                                 f"{box['count']} messages: {err.strip()}")
                    sent, retrieved = last_session(log_path, protocol, box["user"], before)
                    results.setdefault((case, program["name"]), []).append(
                        (wall, cpu, rss, sent, retrieved))
                    if program.get("changes_mailbox"):
                        settle(config, box)
        for resident in residents.values():
            resident.close()
        for case in ("no new mail", "one new mail"):
            for program in programs:
                samples = results[(case, program["name"])]
                rows.append({
                    "n": box["count"], "case": case, "program": program["name"],
                    "protocol": program["protocol"], "kind": program["kind"],
                    "wall": statistics.median(s[0] for s in samples),
                    "cpu": statistics.median(s[1] for s in samples),
                    "bytes": statistics.median(s[3] or 0 for s in samples),
                    "retrieved": statistics.median(s[4] or 0 for s in samples),
                    "rss": max(s[2] for s in samples),
                })
    print_table(rows, reps)


def ratios_to_fetchmail(rows, program):
    ratios = []
    for r in rows:
        if r["program"] != program:
            continue
        other = next(o for o in rows if o["n"] == r["n"] and o["case"] == r["case"]
                     and o["protocol"] == r["protocol"] and o["kind"] == "fetchmail")
        ratios.append((r["wall"] / other["wall"], r))
    return ratios


def growth(rows, program):
    """Quiet-cycle time at the largest mailbox over the smallest."""
    idle = {r["n"]: r["wall"] for r in rows
            if r["program"] == program and r["case"] == "no new mail"}
    if len(idle) < 2:
        return None
    small, large = min(idle), max(idle)
    return large, small, idle[large] / idle[small]


def print_table(rows, reps):
    print(f"median of {reps} alternating cycles per row; peak memory is the largest seen")
    print("--once starts a process per cycle; resident is the same cycle in a long-lived "
          "process, as the desktop program runs it; 'bytes' are what the server sent")
    header = f"{'messages':>8}  {'cycle':<13} {'program':<21} {'wall ms':>8} {'CPU ms':>7} " \
             f"{'bytes':>11} {'retrieved':>9} {'peak MB':>8}"
    print(header)
    print("-" * len(header))
    for r in rows:
        print(f"{r['n']:>8}  {r['case']:<13} {r['program']:<21} {r['wall'] * 1000:>8.1f} "
              f"{r['cpu'] * 1000:>7.1f} {r['bytes']:>11.0f} {r['retrieved']:>9.0f} "
              f"{r['rss'] / 1024:>8.1f}")
    print()
    ours = []
    for r in rows:
        if r["kind"] != "fetchmail" and r["program"] not in ours:
            ours.append(r["program"])
    for program in ours:
        for ratio, r in ratios_to_fetchmail(rows, program):
            print(f"{program}/fetchmail time, {r['n']} messages, {r['case']}: {ratio:.2f}")
    for program in ours:
        figures = growth(rows, program)
        if figures:
            large, small, factor = figures
            print(f"{program} no-new-mail time, {large} vs {small} messages: {factor:.2f}x")
    for protocol in ("pop3", "imap"):
        worst = [ratio for program in ours for ratio, r in ratios_to_fetchmail(rows, program)
                 if r["protocol"] == protocol]
        if worst:
            print(f"worst {protocol.upper()} cycle/fetchmail time ratio: {max(worst):.2f}")


if __name__ == "__main__":
    commands = {"seed": seed, "add": add, "cycles": cycles}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    commands[sys.argv[1]](*sys.argv[2:])
