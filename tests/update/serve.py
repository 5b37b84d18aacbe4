#!/usr/bin/env python3
"""Test servers for the update check, all on 127.0.0.1 and free ports:
HTTPS and plain HTTP serving the files of --dir, and a "silent" server that
accepts connections and never answers. Prints "https=N http=N silent=N" on
one line, then serves until its standard input closes."""
import argparse
import functools
import http.server
import socket
import ssl
import sys
import threading


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    args = parser.parse_args()

    handler = functools.partial(Quiet, directory=args.dir)
    secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    serve(secure)
    serve(plain)

    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(16)
    held = []

    def accept_and_hold():
        while True:
            connection, _ = silent.accept()
            held.append(connection)

    threading.Thread(target=accept_and_hold, daemon=True).start()

    print("https=%d http=%d silent=%d" % (secure.server_address[1], plain.server_address[1],
                                          silent.getsockname()[1]), flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
