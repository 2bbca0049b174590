#!/usr/bin/env python3
"""A static file server for the IIIF tests: HTTP/1.1 with kept-alive connections, over
plain http or TLS, with a few scripted misbehaviours. Prints "PORT <n>" once listening,
then one line "REQ <client port> <path>" per request.

  --root DIR               folder served
  --tls CERT KEY           serve https with this certificate and key
  --status SUBSTR=CODE[:N] answer CODE to the first N requests (all when N is absent)
                           whose path contains SUBSTR
  --retry-after VALUE      Retry-After header sent with 429 and 503 answers
  --close-each             close the connection after every answer, without announcing it
  --redirect FROM=TO       answer 301 to paths that begin with FROM, sending them to TO
                           followed by the rest of the path
"""
import argparse
import http.server
import os
import ssl
import sys
import threading

args = None
lock = threading.Lock()
scripted = []  # [substring, code, remaining or None]


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def __init__(self, *a, **kw):
        super().__init__(*a, directory=args.root, **kw)

    def log_message(self, *a):
        pass

    def translate_path(self, path):
        # Paths of IIIF requests hold commas and may hold a query that is part of the name.
        import urllib.parse
        path = urllib.parse.unquote(path.split('#', 1)[0])
        return os.path.join(args.root, path.lstrip('/'))

    def do_GET(self):
        with lock:
            print("REQ %d %s" % (self.client_address[1], self.path), flush=True)
            code = None
            for entry in scripted:
                if entry[0] in self.path and (entry[2] is None or entry[2] > 0):
                    code = entry[1]
                    if entry[2] is not None:
                        entry[2] -= 1
                    break
        moved = next((to + self.path[len(src):] for src, to in args.redirect_pairs
                      if self.path.startswith(src)), None)
        if moved is not None:
            self.send_response(301)
            self.send_header("Location", moved)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif code is not None:
            body = b"<html><body>scripted</body></html>"
            self.send_response(code)
            if code in (429, 503) and args.retry_after is not None:
                self.send_header("Retry-After", args.retry_after)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            super().do_GET()
        if args.close_each:
            self.wfile.flush()
            self.close_connection = True

    def guess_type(self, path):
        if path.endswith(".json"):
            return "application/json"
        return super().guess_type(path)


def main():
    global args
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--tls", nargs=2)
    parser.add_argument("--status", action="append", default=[])
    parser.add_argument("--retry-after")
    parser.add_argument("--close-each", action="store_true")
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--redirect", action="append", default=[])
    args = parser.parse_args()
    args.redirect_pairs = [tuple(r.split("=", 1)) for r in args.redirect]
    for s in args.status:
        sub, _, rest = s.rpartition("=")
        code, _, count = rest.partition(":")
        scripted.append([sub, int(code), int(count) if count else None])
    server = http.server.ThreadingHTTPServer((args.bind, 0), Handler)
    server.daemon_threads = True
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
