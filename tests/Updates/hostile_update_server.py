#!/usr/bin/env python3
"""A deliberately unhelpful update server for the tests: HTTPS on 127.0.0.1 with the given certificate.

Serves files under ROOT. Next to a file PATH, a file PATH.<behaviour> changes how it is answered:
  .status    the answer's status code (the body is PATH's, when it exists)
  .redirect  a 302 to the URL the file holds
  .trickle   one byte of PATH a second, with the full Content-Length announced
  .truncate  the full Content-Length announced, half the body sent, then the connection closed
  .huge      100 MB of zeros (the file holds "length" to announce it or "stream" not to)
Prints the port on the first line of standard output once it listens.
"""
import http.server
import os
import ssl
import sys
import time

ROOT = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def sidecar(self, path, name):
        full = path + "." + name
        if os.path.isfile(full):
            with open(full, "rb") as f:
                return f.read().strip()
        return None

    def do_GET(self):
        path = os.path.normpath(os.path.join(ROOT, self.path.split("?")[0].lstrip("/")))
        if not path.startswith(ROOT):
            return self.send_error(403)
        body = None
        if os.path.isfile(path):
            with open(path, "rb") as f:
                body = f.read()
        try:
            redirect = self.sidecar(path, "redirect")
            if redirect is not None:
                self.send_response(302)
                self.send_header("Location", redirect.decode())
                self.end_headers()
                return
            huge = self.sidecar(path, "huge")
            if huge is not None:
                self.send_response(200)
                if huge == b"length":
                    self.send_header("Content-Length", str(100 * 1024 * 1024))
                self.end_headers()
                block = b"\0" * 65536
                for _ in range(1600):
                    self.wfile.write(block)
                return
            status = self.sidecar(path, "status")
            if status is not None:
                self.send_response(int(status))
                self.send_header("Content-Length", str(len(body or b"")))
                self.end_headers()
                self.wfile.write(body or b"")
                return
            if body is None:
                return self.send_error(404)
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if self.sidecar(path, "trickle") is not None:
                for byte in body:
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                    time.sleep(1)
            elif self.sidecar(path, "truncate") is not None:
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                self.close_connection = True
            else:
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
