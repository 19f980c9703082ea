"""The test suite's SMTP server on aiosmtpd.

Listens on loopback on four ports: plain with STARTTLS offered, implicit TLS,
plain without TLS, and one with STARTTLS that offers XOAUTH2 but not
OAUTHBEARER (libcurl prefers OAUTHBEARER whenever both are offered). AUTH
PLAIN/LOGIN is offered everywhere (never required); accounts come from a file of
"user:password" lines. AUTH XOAUTH2 and OAUTHBEARER take OAuth2 access tokens
that the suite's provider (config "introspect_url") vouches for, for the user
the token was issued to. Every accepted message is
stored as it arrived, byte for byte, as SPOOL/<n>.eml, with its envelope in
SPOOL/<n>.envelope (written last, so a reader that sees it sees the mail): one
"key value" line each for port, mail_from, auth_user, auth_mechanism and tls
(0/1), and one "rcpt ADDRESS" line per recipient.

Recipients and senders with these local parts provoke refusals:
  refuse-rcpt (550 at RCPT), defer-rcpt (450 at RCPT),
  refuse-data (554 after DATA), refuse-sender (550 at MAIL FROM).

A fault file (config "fault_file") scripts refusals while it exists, so a
test can change or take away a fault at run time. One rule per line; the
first rule that applies answers:
  rcpt CODE               CODE at RCPT for every recipient
  rcpt CODE ADDRESS       CODE at RCPT for that recipient (letter case aside)
  rcpt CODE ADDRESS N     the same for its next N RCPTs only: each one counts
                          down in the file, which drops the rule at 0
  data CODE               CODE after DATA for every message ("drop" instead
                          of a code closes the connection without a reply)
  data CODE TEXT...       the same for messages that hold TEXT (the rest of
                          the line) in their bytes, their decoded subject or a
                          decoded text part
Nothing is stored under a fault.

Run with /usr/bin/python3 (Debian's aiosmtpd): smtp_server.py CONFIG.json
"""

import asyncio
import base64
import email
import email.policy
import itertools
import json
import os
import signal
import ssl
import sys
import threading
import urllib.parse
import urllib.request

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def local_part(address):
    return address.split("@", 1)[0].lower()


class Spool:
    """Numbered files in one folder, written atomically."""

    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        existing = [int(n.split(".")[0]) for n in os.listdir(folder) if n.endswith(".envelope")]
        self.counter = itertools.count(max(existing, default=0) + 1)

    def _write(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.rename(path + ".tmp", path)

    def store(self, content, envelope):
        with self.lock:
            number = next(self.counter)
        self._write("%d.eml" % number, content)
        lines = ["port %s" % envelope["port"], "mail_from %s" % envelope["mail_from"],
                 "auth_user %s" % envelope["auth_user"],
                 "auth_mechanism %s" % envelope["auth_mechanism"], "tls %d" % envelope["tls"]]
        lines += ["rcpt %s" % r for r in envelope["rcpt_tos"]]
        self._write("%d.envelope" % number, ("\n".join(lines) + "\n").encode())


def readable_texts(content):
    """The message's bytes as UTF-8, its decoded subject and text parts."""
    texts = [content.decode("utf-8", "replace")]
    try:
        message = email.message_from_bytes(content, policy=email.policy.default)
        texts.append(str(message.get("subject", "")))
        texts += [part.get_content() for part in message.walk()
                  if part.get_content_maintype() == "text"]
    except Exception:  # a malformed message is matched on its bytes alone
        pass
    return texts


class FaultRules:
    """The rules of the fault file; shared by the three ports' threads."""

    lock = threading.Lock()

    def __init__(self, path):
        self.path = path

    def _lines(self):
        try:
            with open(self.path, encoding="utf-8") as f:
                return f.read().splitlines()
        except OSError:
            return []

    def _rewrite(self, lines):
        with open(self.path + ".tmp", "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines))
        os.rename(self.path + ".tmp", self.path)

    def rcpt(self, address):
        with self.lock:
            lines = self._lines()
            for index, line in enumerate(lines):
                words = line.split()
                if len(words) < 2 or words[0] != "rcpt":
                    continue
                if len(words) == 2:
                    return words[1]
                if words[2].lower() != address.lower():
                    continue
                if len(words) >= 4:
                    left = int(words[3]) - 1
                    if left > 0:
                        lines[index] = "rcpt %s %s %d" % (words[1], words[2], left)
                    else:
                        del lines[index]
                    self._rewrite(lines)
                return words[1]
        return None

    def data(self, content):
        texts = None
        for line in self._lines():
            words = line.split(None, 2)
            if len(words) < 2 or words[0] != "data":
                continue
            if len(words) == 2:
                return words[1]
            texts = texts or readable_texts(content)
            if any(words[2] in text for text in texts):
                return words[1]
        return None


def sasl_fields(blob):
    """OAUTHBEARER b"n,a=U,\x01host=H\x01auth=Bearer T\x01\x01" or XOAUTH2
    b"user=U\x01auth=Bearer T\x01\x01": the user and the token."""
    head, _, rest = blob.partition(b"\x01")
    fields = dict(p.split(b"=", 1) for p in [head] + rest.split(b"\x01") if b"=" in p)
    user = fields.get(b"user", b"")
    for part in head.split(b","):
        if part.startswith(b"a="):
            user = part[2:]
    auth = fields.get(b"auth", b"")
    token = auth[7:] if auth.lower().startswith(b"bearer ") else b""
    return user.decode("utf-8", "replace"), token.decode("ascii", "replace")


class TokenCheck:
    """Asks the provider whether a token is live and whose it is."""

    def __init__(self, url):
        self.url = url

    def __call__(self, user, token):
        if not self.url or not token:
            return False
        data = urllib.parse.urlencode({"token": token}).encode()
        try:
            with urllib.request.urlopen(self.url, data, timeout=10) as answer:
                info = json.load(answer)
        except OSError:
            return False
        return info.get("active") is True and info.get("username") == user


class Handler:
    def __init__(self, spool, port_name, fault_file, token_check):
        self.spool = spool
        self.port_name = port_name
        self.faults = FaultRules(fault_file)
        self.token_check = token_check

    async def _auth_token(self, server, args, mechanism):
        if len(args) == 2:
            try:
                blob = base64.b64decode(args[1], validate=True)
            except ValueError:
                return AuthResult(success=False, handled=False, message="501 5.5.2 Bad base64")
        else:
            blob = await server.challenge_auth("")
        if not isinstance(blob, bytes):
            return AuthResult(success=False, handled=True)
        user, token = sasl_fields(blob)
        if self.token_check(user, token):
            server.session.auth_mechanism = mechanism
            return AuthResult(success=True, auth_data=LoginPassword(user.encode(), b""))
        if mechanism == "OAUTHBEARER":
            # RFC 7628: the error as a challenge; the client answers with ^A.
            await server.challenge_auth(json.dumps({"status": "invalid_token"}))
        return AuthResult(success=False, handled=False, message="535 5.7.8 Invalid OAuth2 token")

    async def auth_XOAUTH2(self, server, args):
        return await self._auth_token(server, args, "XOAUTH2")

    async def auth_OAUTHBEARER(self, server, args):
        return await self._auth_token(server, args, "OAUTHBEARER")

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if local_part(address) == "refuse-sender":
            return "550 5.7.1 Sender refused"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        code = self.faults.rcpt(address)
        if code:
            return "%s Scripted refusal at RCPT" % code
        part = local_part(address)
        if part == "refuse-rcpt":
            return "550 5.1.1 No such user here"
        if part == "defer-rcpt":
            return "450 4.2.1 Mailbox busy, try later"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if any(local_part(r) == "refuse-data" for r in envelope.rcpt_tos):
            return "554 5.6.0 Message refused"
        code = self.faults.data(envelope.original_content)
        if code == "drop":
            server.transport.abort()
            return "421 Dropped"
        if code:
            return "%s Scripted refusal after DATA" % code
        auth = session.auth_data
        self.spool.store(envelope.original_content, {
            "port": self.port_name,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "auth_user": auth.login.decode() if isinstance(auth, LoginPassword) else "",
            "auth_mechanism": getattr(session, "auth_mechanism", "") or
                              ("PLAIN/LOGIN" if isinstance(auth, LoginPassword) else ""),
            "tls": self.port_name == "smtps" or session.ssl is not None,
        })
        return "250 Message accepted"


class Authenticator:
    def __init__(self, accounts_file):
        self.accounts_file = accounts_file

    def _accounts(self):
        accounts = {}
        try:
            with open(self.accounts_file, encoding="utf-8") as f:
                for line in f:
                    user, _, password = line.rstrip("\r\n").partition(":")
                    if user:
                        accounts[user] = password
        except OSError:
            pass
        return accounts

    def __call__(self, server, session, envelope, mechanism, auth_data):
        if isinstance(auth_data, LoginPassword):
            user = auth_data.login.decode("utf-8", "replace")
            password = auth_data.password.decode("utf-8", "replace")
            if self._accounts().get(user) == password:
                return AuthResult(success=True, auth_data=auth_data)
        # handled=False makes aiosmtpd answer 535; otherwise the client waits.
        return AuthResult(success=False, handled=False)


class LongLineSMTP(SMTP):
    # OAuth2 tokens of 1-3 KB (and more) arrive as one AUTH line.
    line_length_limit = 16384


class LongLineController(Controller):
    def factory(self):
        return LongLineSMTP(self.handler, **self.SMTP_kwargs)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        config = json.load(f)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(config["cert"], config["key"])
    spool = Spool(config["spool"])
    authenticator = Authenticator(config["accounts"])
    token_check = TokenCheck(config.get("introspect_url", ""))

    def handler(name):
        return Handler(spool, name, config["fault_file"], token_check)

    common = dict(hostname="127.0.0.1", server_hostname="localhost", authenticator=authenticator,
                  auth_require_tls=False, auth_required=False, decode_data=False,
                  enable_SMTPUTF8=False, ready_timeout=30)
    controllers = [
        LongLineController(handler("smtp"), port=config["smtp_port"], tls_context=context, **common),
        LongLineController(handler("smtps"), port=config["smtps_port"], ssl_context=context, **common),
        LongLineController(handler("plain"), port=config["plain_port"], **common),
    ]
    if config.get("xoauth2_port"):
        controllers.append(LongLineController(handler("xoauth2"), port=config["xoauth2_port"],
                                              tls_context=context, auth_exclude_mechanism=["OAUTHBEARER"],
                                              **common))
    for controller in controllers:
        controller.start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    with open(config["ready_file"], "w") as f:
        f.write("ready\n")
    while not stop.wait(0.1):
        pass
    for controller in controllers:
        controller.stop()


if __name__ == "__main__":
    main()
