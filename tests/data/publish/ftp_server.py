#!/usr/bin/env python3
"""An FTP server for the publishing tests: one user, one root folder,
127.0.0.1 only, every command logged. Stopped with SIGTERM."""

import argparse
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    # 0 takes a free port; the one bound is printed for the test to read.
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--passive-ports", required=True, help="FIRST-LAST")
    parser.add_argument("--log", required=True)
    # Bytes per second taken from uploads; 1 makes a server that stalls.
    parser.add_argument("--read-limit", type=int, default=0)
    # Uploads to paths holding this text keep only their first half, though
    # the transfer is answered 226 as complete.
    parser.add_argument("--cut-uploads", default="")
    # Uploads to paths holding this text lose their data connection after
    # their first block, answered 426, as when a link breaks mid-transfer.
    parser.add_argument("--drop-uploads", default="")
    # Control connections one address may hold at once; more are answered
    # 421 and closed. 0 for no limit.
    parser.add_argument("--max-cons-per-ip", type=int, default=0)
    args = parser.parse_args()

    logging.basicConfig(filename=args.log, level=logging.DEBUG)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    class Handler(FTPHandler):
        def on_file_received(self, file):
            if args.cut_uploads and args.cut_uploads in file:
                with open(file, "r+b") as f:
                    f.truncate(os.path.getsize(file) // 2)

    Handler.authorizer = authorizer
    # A refused login answers at once instead of after the usual 3 s.
    Handler.auth_failed_timeout = 0
    first, last = (int(p) for p in args.passive_ports.split("-"))
    Handler.passive_ports = range(first, last + 1)
    if args.read_limit:
        class SlowData(ThrottledDTPHandler):
            read_limit = args.read_limit
        Handler.dtp_handler = SlowData
    elif args.drop_uploads:
        class DroppingData(DTPHandler):
            def handle_read(self):
                name = getattr(self.file_obj, "name", "")
                if self.receive and args.drop_uploads in name and self.tot_bytes_received > 0:
                    self._resp = ("426 Connection closed; transfer aborted.", logging.warning)
                    self.close()
                    return
                DTPHandler.handle_read(self)
            handle_read_event = handle_read  # the base class binds its own
        Handler.dtp_handler = DroppingData

    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.max_cons_per_ip = args.max_cons_per_ip
    print("listening on port %d" % server.socket.getsockname()[1], flush=True)

    def stop(*_):
        server.close_all()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    server.serve_forever()


if __name__ == "__main__":
    main()
