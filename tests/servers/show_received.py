"""Prints what the test SMTP server received, decoded for reading.

    /usr/bin/python3 show_received.py SPOOL_FOLDER
"""

import email
import email.policy
import os
import sys


def envelope(path):
    fields = {"rcpt": []}
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition(" ")
            if key == "rcpt":
                fields["rcpt"].append(value)
            else:
                fields[key] = value
    return fields


def show(number, folder):
    env = envelope(os.path.join(folder, "%d.envelope" % number))
    with open(os.path.join(folder, "%d.eml" % number), "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    tls = "TLS" if env.get("tls") == "1" else "no TLS"
    print("=== mail %d: MAIL FROM %s, RCPT TO %s (%s port, %s)"
          % (number, env.get("mail_from"), ", ".join(env["rcpt"]), env.get("port"), tls))
    for name in ("From", "To", "Subject", "Date", "Message-ID"):
        print("%s: %s" % (name, message.get(name, "")))
    body = message.get_body(preferencelist=("plain",))
    if body is not None:
        print("-- body (%s) --" % body.get_content_charset())
        print(body.get_content().replace("\r\n", "\n").rstrip("\n"))
    for part in message.iter_attachments():
        print("-- attachment: %s (%d bytes)"
              % (part.get_filename(), len(part.get_payload(decode=True) or b"")))
    print()


def main():
    folder = sys.argv[1]
    number = 1
    while os.path.exists(os.path.join(folder, "%d.envelope" % number)):
        show(number, folder)
        number += 1
    if number == 1:
        print("(the SMTP server received nothing)")


if __name__ == "__main__":
    main()
