"""A scoreboard of the tests' own on a loopback port: records every request
and answers as the first part of its path says.

    /ok/...        200 with a text of two lines
    /error/...     500 with a text
    /redirect/...  302 to /moved/ (which would answer 200)
    /cut/...       200 announcing 1000 bytes, then closes after 20
    /hang/...      reads the request and never answers (until stop())
    /moved/...     200 ("moved" must never be asked for: redirects are not followed)

A request whose path has the query "mark=NAME" also creates the file NAME
in the server's mark folder when it arrives, so a program can wait for it.
"""
import http.server
import os
import socket
import threading
import time
import urllib.parse

OK_TEXT = b"Thanks, score received\r\nrank 3 of 12\r\n"
ERROR_TEXT = b"Internal trouble, try later\n"


class Request:
    def __init__(self, path, headers, body):
        self.path = path
        self.headers = headers
        self.body = body
        self.arrived = time.monotonic()

    @property
    def kind(self):
        return self.path.lstrip("/").split("/", 1)[0]


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length) if length else b""
        self.server.board.record(Request(self.path, dict(self.headers.items()), body))
        kind = self.path.lstrip("/").split("/", 1)[0]
        if kind == "hang":
            self.server.board.stopped.wait(120)
            self.close_connection = True
            return
        if kind == "cut":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"Only the first bytes")
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
            return
        status, text, extra = {
            "ok": (200, OK_TEXT, {}),
            "moved": (200, OK_TEXT, {}),
            "error": (500, ERROR_TEXT, {}),
            "redirect": (302, b"Moved\n", {"Location": "/moved/post"}),
        }.get(kind, (404, b"Unknown\n", {}))
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(text)))
        for name, value in extra.items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(text)


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


class Scoreboard:
    """Serves on 127.0.0.1 (a free port) from a thread of its own."""

    def __init__(self, mark_folder=None):
        self.mark_folder = mark_folder
        self.requests = []
        self.changed = threading.Condition()
        self.stopped = threading.Event()
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.board = self
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def url(self, kind, run, query="key=SECRET-KEY"):
        return f"http://127.0.0.1:{self.port}/{kind}/{run}/post?{query}"

    def record(self, request):
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(request.path).query)
        for name in query.get("mark", []):
            if self.mark_folder:
                folder = os.path.join(self.mark_folder, os.path.dirname(name))
                os.makedirs(folder, exist_ok=True)
                with open(os.path.join(self.mark_folder, name), "w"):
                    pass
        with self.changed:
            self.requests.append(request)
            self.changed.notify_all()

    def requests_of(self, run):
        with self.changed:
            return [r for r in self.requests if urllib.parse.urlsplit(r.path).path.split("/")[2:3] == [run]]

    def await_requests(self, run, count, timeout):
        """Waits until RUN has COUNT requests; returns them (maybe fewer)."""
        end = time.monotonic() + timeout
        with self.changed:
            while len(self.requests_of(run)) < count and time.monotonic() < end:
                self.changed.wait(end - time.monotonic())
        return self.requests_of(run)

    def stop(self):
        self.stopped.set()
        self._server.shutdown()
        self._server.server_close()
