#!/usr/bin/python3
"""Stands in for the desktop's notification service on a private session bus
and runs a test program beside it.

    dbus-run-session -- python3 notification_listener.py PROGRAM [ARGS...]

Owns org.freedesktop.Notifications, writes every Notify call as one JSON line
to a temporary file named in QUIBEN_NOTIFY_LOG for the program, and exits
with the program's exit status.
"""
import json
import os
import subprocess
import sys
import tempfile

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

INTERFACE = "org.freedesktop.Notifications"


class Listener(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log = log
        self.next_id = 0

    @dbus.service.method(INTERFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.next_id += 1
        record = {"app": str(app), "icon": str(icon), "summary": str(summary), "body": str(body)}
        self.log.write(json.dumps(record, ensure_ascii=False) + "\n")
        self.log.flush()
        return dbus.UInt32(self.next_id)

    @dbus.service.method(INTERFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup"]

    @dbus.service.method(INTERFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("notification-listener", "quiben tests", "1", "1.2")


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(INTERFACE, bus, do_not_queue=True)
    with tempfile.NamedTemporaryFile("w+", encoding="utf-8", suffix=".log") as log:
        Listener(bus, log)
        env = dict(os.environ, QUIBEN_NOTIFY_LOG=log.name)
        program = subprocess.Popen(sys.argv[1:], env=env)
        loop = GLib.MainLoop()

        def check():
            if program.poll() is None:
                return True
            loop.quit()
            return False

        GLib.timeout_add(50, check)
        loop.run()
        del name
    sys.exit(program.returncode)


if __name__ == "__main__":
    main()
