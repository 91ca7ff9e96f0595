#!/usr/bin/python3
"""The other side of the sync tests.

serve DIR: starts Radicale on a free localhost port (htpasswd users "ann"/"secret", storage in
DIR), a private session bus and a secret service on it; prints "PORT <port> BUS <address>" and
keeps them running until standard input closes. Writes reach the disk unsynced (a test's folder
outlives no crash) and new objects' UIDs are checked in an index (see radicale_with_uid_index).

URL USER PASSWORD COMMAND ...: a second client (python3-caldav) on the calendar at URL:
  mkcal NAME | event UID START SUMMARY [RRULE] | todo UID SUMMARY | days COUNT YYYYMMDD PREFIX |
  set UID SUMMARY | delete UID... | list
"list" prints one line per object: UID|DTSTART|SUMMARY|EXDATEs|overriding summaries.
"""
import os
import socket
import subprocess
import sys
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def radicale_with_uid_index(args):
    """Radicale as it is, except that the UID check of each new object looks in an index instead
    of reading every object of the calendar (a first sync of thousands of objects is otherwise
    quadratic on the server), and writes are not synced to the disk, which a test folder never
    needs: the tests would wait on both. Only this server writes its folder, so the
    index follows every change made through it; anything but a plain upload drops it."""
    import radicale.__main__
    import radicale.config
    from radicale.storage import multifilesystem as fs
    index = {}

    def has_uid(self, uid):
        if self.path not in index:
            index[self.path] = {item.uid for item in self.get_all()}
        return uid in index[self.path]

    def forgetting(method):
        def call(self, *a, **k):
            index.clear()
            return method(self, *a, **k)
        return call

    upload = fs.Collection.upload

    def upload_indexed(self, href, item):
        result = upload(self, href, item)
        if self.path in index:
            index[self.path].add(item.uid)
        return result

    # Radicale takes this one from no configuration file.
    radicale.config.DEFAULT_CONFIG_SCHEMA["storage"]["_filesystem_fsync"]["value"] = "False"
    fs.Collection.has_uid = has_uid
    fs.Collection.upload = upload_indexed
    fs.Collection.delete = forgetting(fs.Collection.delete)
    fs.Storage.create_collection = forgetting(fs.Storage.create_collection)
    fs.Storage.move = forgetting(fs.Storage.move)
    sys.argv = ["radicale"] + args
    radicale.__main__.run()


def serve(folder):
    port = free_port()
    with open(os.path.join(folder, "users"), "w") as f:
        f.write("ann:secret\n")
    with open(os.path.join(folder, "config"), "w") as f:
        f.write(f"[server]\nhosts = 127.0.0.1:{port}\n[auth]\ntype = htpasswd\n"
                f"htpasswd_filename = {folder}/users\nhtpasswd_encryption = plain\n"
                f"[storage]\nfilesystem_folder = {folder}/collections\n"
                f"[logging]\nlevel = error\n")
    children = []
    radicale = subprocess.Popen([sys.executable, __file__, "radicale", "--config", f"{folder}/config"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    children.append(radicale)
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    children.append(bus)
    address = bus.stdout.readline().strip()
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address, XDG_DATA_HOME=f"{folder}/data",
               HOME=folder)
    # --foreground keeps the keyring our child, so it ends with the test.
    keyring = subprocess.Popen(["gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"],
                               stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               env=env)
    keyring.stdin.write(b"test")
    keyring.stdin.close()
    children.append(keyring)
    # Ready when Radicale answers.
    for _ in range(500):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.02).close()
            break
        except OSError:
            time.sleep(0.02)
    print(f"PORT {port} BUS {address}", flush=True)
    sys.stdin.read()
    for child in children:
        child.terminate()
    for child in children:
        child.wait()


def client(url, user, password, command, args):
    import caldav
    dav = caldav.DAVClient(url, username=user, password=password)
    if command == "mkcal":
        dav.principal().make_calendar(name=args[0], cal_id=args[0].lower())
        return
    calendar = caldav.Calendar(client=dav, url=url)

    def find(uid):
        try:
            return calendar.event_by_uid(uid)
        except caldav.error.NotFoundError:
            return calendar.todo_by_uid(uid)

    if command == "event":
        uid, start, summary = args[:3]
        rule = f"RRULE:{args[3]}\n" if len(args) > 3 else ""
        calendar.save_event(f"BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//peer//EN\nBEGIN:VEVENT\nUID:{uid}\n"
                            f"DTSTAMP:20240101T000000Z\nDTSTART:{start}\nDURATION:PT30M\nSUMMARY:{summary}\n"
                            f"{rule}END:VEVENT\nEND:VCALENDAR\n")
    elif command == "days":
        # COUNT events UID1.. at 9:00 UTC on the days from START (YYYYMMDD) on.
        import datetime
        first = datetime.date(int(args[1][:4]), int(args[1][4:6]), int(args[1][6:]))
        for i in range(int(args[0])):
            day = (first + datetime.timedelta(days=i)).strftime("%Y%m%d")
            calendar.save_event(f"BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//peer//EN\nBEGIN:VEVENT\nUID:{args[2]}{i}\n"
                                f"DTSTAMP:20240101T000000Z\nDTSTART:{day}T090000Z\nDURATION:PT30M\n"
                                f"SUMMARY:{args[2]} {i}\nEND:VEVENT\nEND:VCALENDAR\n")
    elif command == "todo":
        calendar.save_todo(f"BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//peer//EN\nBEGIN:VTODO\nUID:{args[0]}\n"
                           f"DTSTAMP:20240101T000000Z\nSUMMARY:{args[1]}\nEND:VTODO\nEND:VCALENDAR\n")
    elif command == "set":
        item = find(args[0])
        item.icalendar_component["SUMMARY"] = args[1]
        item.save()
    elif command == "delete":
        for uid in args:
            find(uid).delete()
    elif command == "list":
        import icalendar
        lines = []
        for obj in calendar.objects(load_objects=True):
            if not obj.data:
                continue
            cal = icalendar.Calendar.from_ical(obj.data)
            for comp in cal.walk():
                if comp.name not in ("VEVENT", "VTODO") or comp.get("RECURRENCE-ID"):
                    continue
                overrides = sorted(str(c.get("SUMMARY")) for c in cal.walk("VEVENT") if c.get("RECURRENCE-ID"))
                exdates = []
                for ex in (comp.get("EXDATE") if isinstance(comp.get("EXDATE"), list) else [comp.get("EXDATE")]):
                    if ex is not None:
                        exdates += [d.dt.strftime("%Y%m%dT%H%M") for d in ex.dts]
                start = comp.get("DTSTART")
                start = start.dt.strftime("%Y%m%dT%H%M") if start is not None else ""
                lines.append("|".join([str(comp.get("UID")), start, str(comp.get("SUMMARY")),
                                       ",".join(sorted(exdates)), ",".join(overrides)]))
        for line in sorted(lines):
            print(line)


if __name__ == "__main__":
    if sys.argv[1] == "serve":
        serve(sys.argv[2])
    elif sys.argv[1] == "radicale":
        radicale_with_uid_index(sys.argv[2:])
    else:
        client(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
