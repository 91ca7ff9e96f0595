#!/usr/bin/python3
"""The server's share of a first sync up: N plain HTTP PUTs (If-None-Match: *, one kept-alive
connection, as the calendar sends them) of events like the ones sync_bench uploads, to a new
calendar on a running test Radicale (tests/calendar/data/caldav_peer.py serve DIR), with the
server's processor time read from /proc.

    bench/calendar/sync_plain_put.py PORT RADICALE_PID [N]
"""
import base64
import http.client
import os
import subprocess
import sys
import time

PEER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "calendar", "data",
                    "caldav_peer.py")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    port, pid = int(sys.argv[1]), int(sys.argv[2])
    n = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    name = f"plain{os.getpid()}"
    subprocess.run(["/usr/bin/python3", PEER, f"http://127.0.0.1:{port}/", "ann", "secret", "mkcal", name], check=True)
    auth = "Basic " + base64.b64encode(b"ann:secret").decode()
    connection = http.client.HTTPConnection("127.0.0.1", port)
    cpu, start = cpu_seconds(pid), time.monotonic()
    for i in range(n):
        day, slot = divmod(i, 24)
        body = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//plain//EN\r\nBEGIN:VEVENT\r\n"
                f"UID:plain-{i}\r\nDTSTAMP:20310101T000000Z\r\n"
                f"DTSTART:{2031 + day // 336}{1 + day // 28 % 12:02d}{1 + day % 28:02d}T{8 + slot // 2:02d}{slot % 2 * 30:02d}00Z\r\n"
                f"DURATION:PT30M\r\nSUMMARY:Meeting about item {i}\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
        connection.request("PUT", f"/ann/{name}/plain-{i}.ics", body.encode(),
                           {"Authorization": auth, "If-None-Match": "*", "Content-Type": "text/calendar"})
        answer = connection.getresponse()
        answer.read()
        if answer.status not in (201, 204):
            sys.exit(f"the server answered {answer.status} to PUT number {i}")
    print(f"{n} PUTs: {time.monotonic() - start:.1f} s, server processor {cpu_seconds(pid) - cpu:.1f} s")


if __name__ == "__main__":
    main()
