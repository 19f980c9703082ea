"""The test suite's OAuth2 provider, on loopback only.

Endpoints a client uses:
  GET  /authorize     code flow: redirects to redirect_uri with a code and the
                      state (PKCE S256 required). The test plays the browser and
                      adds user=NAME (who signs in) or deny=1 (who refuses).
  POST /token         grant types authorization_code (checks the PKCE verifier
                      and the redirect URI), refresh_token and device_code
  POST /device/code   a device code and a user code
  POST /introspect    RFC 7662, for Dovecot and the SMTP server:
                      {"active": true, "username": USER} for a live token

Endpoints for tests:
  POST /device/approve   user_code, user, deny=1: the user's answer at the URL
  POST /control/client   client_id and settings for it: secret (then required),
                         token_length, expires_in (access tokens), rotate=1
                         (refresh answers carry a new refresh token),
                         slow_down=N (the next N device polls answer slow_down),
                         fail=CODE:N (the next N token requests answer CODE)
  POST /control/introspection   fail=N: the next N introspections answer 503
  POST /control/expire   client_id: its access tokens have run out
  POST /control/revoke   client_id: its refresh and access tokens are revoked
  GET  /control/stats    client_id: {"code": n, "refresh": n, "device": n}
                         granted token requests by grant type

Tokens are random text of the client's token_length (default 48). Codes carry
"/", "+" and "=" so a client that mangles their encoding fails.

Run with /usr/bin/python3: oauth_provider.py PORT READY_FILE
"""

import base64
import hashlib
import http.server
import json
import secrets
import sys
import threading
import time
import urllib.parse

LOCK = threading.Lock()
CLIENTS = {}
CODES = {}
ACCESS = {}
REFRESH = {}
DEVICES = {}
INTROSPECTION = {"fail": 0}


def client(client_id):
    return CLIENTS.setdefault(client_id, {
        "secret": None, "token_length": 48, "expires_in": 3600, "rotate": False,
        "slow_down": 0, "fail": None, "stats": {"code": 0, "refresh": 0, "device": 0}})


def random_text(length):
    text = secrets.token_urlsafe(length)
    return text[:length]


def issue(client_id, user, with_refresh=True):
    settings = client(client_id)
    access = random_text(settings["token_length"])
    ACCESS[access] = {"user": user, "client": client_id,
                      "expires": time.time() + settings["expires_in"], "revoked": False}
    answer = {"access_token": access, "token_type": "Bearer", "expires_in": settings["expires_in"]}
    if with_refresh:
        refresh = random_text(48)
        REFRESH[refresh] = {"user": user, "client": client_id, "revoked": False}
        answer["refresh_token"] = refresh
    return answer


def s256(verifier):
    digest = hashlib.sha256(verifier.encode()).digest()
    return base64.urlsafe_b64encode(digest).decode().rstrip("=")


class Provider(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # requests carry tokens: no request log
        pass

    def reply(self, status, body=None, headers=()):
        data = json.dumps(body).encode() if body is not None else b""
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def form(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode()
        return {k: v[0] for k, v in urllib.parse.parse_qs(body, keep_blank_values=True).items()}

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(url.query).items()}
        with LOCK:
            if url.path == "/authorize":
                return self.authorize(query)
            if url.path == "/control/stats":
                return self.reply(200, client(query.get("client_id", ""))["stats"])
        self.reply(404, {"error": "not_found"})

    def do_POST(self):
        path = urllib.parse.urlsplit(self.path).path
        form = self.form()
        handlers = {"/token": self.token, "/device/code": self.device_code,
                    "/device/approve": self.approve, "/introspect": self.introspect,
                    "/control/client": self.control_client, "/control/expire": self.expire,
                    "/control/introspection": self.control_introspection,
                    "/control/revoke": self.revoke}
        with LOCK:
            if path in handlers:
                return handlers[path](form)
        self.reply(404, {"error": "not_found"})

    def authorize(self, query):
        redirect = query.get("redirect_uri", "")
        back = {"state": query.get("state", "")}
        if query.get("deny"):
            back["error"] = "access_denied"
        elif query.get("code_challenge_method") != "S256" or not query.get("code_challenge") \
                or query.get("response_type") != "code":
            back["error"] = "invalid_request"
        else:
            code = "c0de/" + random_text(16) + "+x="
            CODES[code] = {"client": query.get("client_id", ""), "redirect": redirect,
                           "challenge": query["code_challenge"], "user": query.get("user", "")}
            back["code"] = code
        self.reply(302, None, [("Location", redirect + "?" + urllib.parse.urlencode(back))])

    def token(self, form):
        client_id = form.get("client_id", "")
        settings = client(client_id)
        if settings["fail"]:
            code, left = settings["fail"]
            settings["fail"] = (code, left - 1) if left > 1 else None
            return self.reply(code, {"error": "temporarily_unavailable"})
        if settings["secret"] is not None and form.get("client_secret") != settings["secret"]:
            return self.reply(401, {"error": "invalid_client"})
        grant = form.get("grant_type")
        if grant == "authorization_code":
            entry = CODES.pop(form.get("code", ""), None)
            if not entry or entry["client"] != client_id or entry["redirect"] != form.get("redirect_uri") \
                    or s256(form.get("code_verifier", "")) != entry["challenge"]:
                return self.reply(400, {"error": "invalid_grant"})
            settings["stats"]["code"] += 1
            return self.reply(200, issue(client_id, entry["user"]))
        if grant == "refresh_token":
            entry = REFRESH.get(form.get("refresh_token", ""))
            if not entry or entry["revoked"] or entry["client"] != client_id:
                return self.reply(400, {"error": "invalid_grant"})
            settings["stats"]["refresh"] += 1
            if settings["rotate"]:
                entry["revoked"] = True
            return self.reply(200, issue(client_id, entry["user"], settings["rotate"]))
        if grant == "urn:ietf:params:oauth:grant-type:device_code":
            return self.device_poll(client_id, settings, form.get("device_code", ""))
        self.reply(400, {"error": "unsupported_grant_type"})

    def device_code(self, form):
        client_id = form.get("client_id", "")
        device, user_code = random_text(32), "%04d-%04d" % (secrets.randbelow(10000), secrets.randbelow(10000))
        DEVICES[device] = {"client": client_id, "user_code": user_code, "state": "pending",
                           "user": "", "expires": time.time() + 600}
        port = self.server.server_address[1]
        self.reply(200, {"device_code": device, "user_code": user_code,
                         "verification_uri": "http://127.0.0.1:%d/device" % port,
                         "expires_in": 600, "interval": 5})

    def device_poll(self, client_id, settings, device_code):
        entry = DEVICES.get(device_code)
        if not entry or entry["client"] != client_id:
            return self.reply(400, {"error": "invalid_grant"})
        if settings["slow_down"] > 0:
            settings["slow_down"] -= 1
            return self.reply(400, {"error": "slow_down"})
        if time.time() > entry["expires"]:
            return self.reply(400, {"error": "expired_token"})
        if entry["state"] == "pending":
            return self.reply(400, {"error": "authorization_pending"})
        if entry["state"] == "denied":
            return self.reply(400, {"error": "access_denied"})
        del DEVICES[device_code]
        settings["stats"]["device"] += 1
        self.reply(200, issue(client_id, entry["user"]))

    def approve(self, form):
        for entry in DEVICES.values():
            if entry["user_code"] == form.get("user_code"):
                entry["state"] = "denied" if form.get("deny") else "approved"
                entry["user"] = form.get("user", "")
                if form.get("expire"):
                    entry["expires"] = 0
                return self.reply(200, {})
        self.reply(404, {"error": "unknown_user_code"})

    def introspect(self, form):
        if INTROSPECTION["fail"] > 0:
            INTROSPECTION["fail"] -= 1
            return self.reply(503, {"error": "temporarily_unavailable"})
        entry = ACCESS.get(form.get("token", ""))
        if not entry or entry["revoked"] or entry["expires"] < time.time():
            return self.reply(200, {"active": False})
        self.reply(200, {"active": True, "username": entry["user"], "client_id": entry["client"],
                         "exp": int(entry["expires"])})

    def control_client(self, form):
        settings = client(form.get("client_id", ""))
        if "secret" in form:
            settings["secret"] = form["secret"]
        for name in ("token_length", "expires_in", "slow_down"):
            if name in form:
                settings[name] = int(form[name])
        if "rotate" in form:
            settings["rotate"] = form["rotate"] == "1"
        if "fail" in form:
            code, count = form["fail"].split(":")
            settings["fail"] = (int(code), int(count)) if int(count) > 0 else None
        self.reply(200, {})

    def control_introspection(self, form):
        INTROSPECTION["fail"] = int(form.get("fail", "0"))
        self.reply(200, {})

    def expire(self, form):
        for entry in ACCESS.values():
            if entry["client"] == form.get("client_id"):
                entry["expires"] = 0
        self.reply(200, {})

    def revoke(self, form):
        for table in (ACCESS, REFRESH):
            for entry in table.values():
                if entry["client"] == form.get("client_id"):
                    entry["revoked"] = True
        self.reply(200, {})


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Provider)
    server.daemon_threads = True
    with open(sys.argv[2], "w") as f:
        f.write("ready\n")
    server.serve_forever()


if __name__ == "__main__":
    main()
