#!/usr/bin/python3
"""A proxy before the test server that misbehaves on request: fault_proxy.py UPSTREAM_PORT CONTROL.

Prints "PORT <port>", then forwards every request to 127.0.0.1:UPSTREAM_PORT, except as the
control file says (it is read at each request; a new content starts the counts afresh):
  "500 N"         the next N requests are answered 500
  "412 N"         the next N PUTs are answered 412 (without reaching the server)
  "stop N"        after N more requests, the connection is dropped without an answer, for good
  "empty N"       the next N listings (PROPFIND Depth 1, sync-collection) come back empty
"""
import http.client
import http.server
import sys
import threading

UPSTREAM = int(sys.argv[1])
CONTROL = sys.argv[2]
lock = threading.Lock()
state = {"text": None, "left": 0}


def fault(method, body, depth):
    with lock:
        try:
            text = open(CONTROL).read().strip()
        except OSError:
            text = ""
        if text != state["text"]:
            state["text"] = text
            state["left"] = int(text.split()[1]) if len(text.split()) == 2 else 0
        if not text:
            return None
        kind = text.split()[0]
        listing = (method == "PROPFIND" and depth == "1") or (method == "REPORT" and b"sync-collection" in body)
        if kind == "stop":
            if state["left"] <= 0:
                return "stop"
            state["left"] -= 1
            return None
        applies = {"500": True, "412": method == "PUT", "empty": listing}[kind]
        if applies and state["left"] > 0:
            state["left"] -= 1
            return kind
        return None


class Proxy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle_any(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0) or 0))
        what = fault(self.command, body, self.headers.get("Depth", ""))
        if what == "stop":
            self.close_connection = True
            self.connection.close()
            return
        if what in ("500", "412"):
            self.send_response(int(what))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if what == "empty":
            answer = b'<?xml version="1.0"?><multistatus xmlns="DAV:"></multistatus>'
            self.send_response(207)
            self.send_header("Content-Type", "application/xml")
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer)
            return
        upstream = http.client.HTTPConnection("127.0.0.1", UPSTREAM, timeout=60)
        headers = {k: v for k, v in self.headers.items() if k.lower() not in ("host", "connection")}
        upstream.request(self.command, self.path, body=body, headers=headers)
        reply = upstream.getresponse()
        data = reply.read()
        self.send_response(reply.status)
        for k, v in reply.getheaders():
            if k.lower() not in ("transfer-encoding", "connection", "content-length"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
        upstream.close()

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = do_HEAD = handle_any


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Proxy)
print(f"PORT {server.server_address[1]}", flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
