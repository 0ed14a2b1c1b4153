#!/usr/bin/env python3
"""The demo's two local servers in one process: an FTP server that the demo
profile publishes to, and a web server that shows what was published.
Both listen on 127.0.0.1 on free ports; the line "ftp PORT http PORT" tells
the caller where. Stopped with SIGTERM."""

import argparse
import functools
import http.server
import logging
import signal
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the FTP user's root folder")
    parser.add_argument("--web", required=True, help="the folder served over HTTP (inside --root)")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    FTPHandler.authorizer = authorizer
    FTPHandler.banner = "Albumsmith demo server"
    ftp = FTPServer(("127.0.0.1", 0), FTPHandler)

    web = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=args.web))
    threading.Thread(target=web.serve_forever, daemon=True).start()

    print("ftp %d http %d" % (ftp.socket.getsockname()[1], web.server_address[1]), flush=True)

    def stop(*_):
        web.shutdown()
        ftp.close_all()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    ftp.serve_forever()


if __name__ == "__main__":
    main()
