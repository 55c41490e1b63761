#!/usr/bin/env python3
"""A NetworkManager that only has a state, on the bus whose address is the first argument.

Prints "ready" once it owns its name; each line on standard input is a new NMState
(20 disconnected, 70 connected to the internet), announced with PropertiesChanged."""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NM = "org.freedesktop.NetworkManager"
PATH = "/org/freedesktop/NetworkManager"
PROPS = "org.freedesktop.DBus.Properties"


class Manager(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.state = 70

    def values(self):
        return {
            "State": dbus.UInt32(self.state),
            "Connectivity": dbus.UInt32(4 if self.state == 70 else 1),
            "PrimaryConnection": dbus.ObjectPath("/"),
            "Metered": dbus.UInt32(0),
        }

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.values()[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.values()

    @dbus.service.signal(PROPS, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.signal(NM, signature="u")
    def StateChanged(self, state):
        pass

    def set_state(self, state):
        self.state = state
        self.StateChanged(dbus.UInt32(state))
        self.PropertiesChanged(NM, self.values(), dbus.Array([], signature="s"))


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    manager = Manager(bus)
    bus.request_name(NM)
    print("ready", flush=True)
    loop = GLib.MainLoop()

    def on_input(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        manager.set_state(int(line))
        print("state", line.strip(), flush=True)
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
    loop.run()


if __name__ == "__main__":
    main()
