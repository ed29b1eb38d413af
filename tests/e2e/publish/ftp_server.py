#!/usr/bin/python3
"""A throw-away FTP server for the publishing tests.

Serves ROOT for one user on 127.0.0.1, on a free port that it prints on the
first line of its standard output, and runs until killed or its parent's
pipe closes. With --tls CERTFOLDER it wants explicit TLS (AUTH TLS) on the
control and data connections, with a throw-away certificate made in
CERTFOLDER.
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support"))


class HidingFS(AbstractedFS):
    """Leaves the names given with --hide out of every listing, as servers
    that cap or filter their listings do."""

    hidden = set()

    def listdir(self, path):
        return [name for name in super().listdir(path) if name not in self.hidden]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--user", default="web")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--banner", default="Quillet test server ready")
    parser.add_argument("--hide", action="append", default=[])
    parser.add_argument("--tls")
    args = parser.parse_args()

    logging.basicConfig(level=logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elradfmwMT")

    handler = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        from throwaway_cert import make_certificate

        class PatientDataChannel(TLS_DTPHandler):
            """Lets a client shake hands on a data connection before it
            names the transfer, as libcurl does; the stock handler takes the
            wait for a hang-up and closes it."""

            def readable(self):
                if not self.receive and not self._initialized:
                    return self._ssl_accepting
                return super().readable()

        handler = TLS_FTPHandler
        handler.dtp_handler = PatientDataChannel
        handler.certfile, handler.keyfile = make_certificate(args.tls)
        handler.tls_control_required = True
        handler.tls_data_required = True
    handler.authorizer = authorizer
    HidingFS.hidden = set(args.hide)
    handler.abstracted_fs = HidingFS
    handler.banner = args.banner
    handler.passive_ports = None
    handler.auth_failed_timeout = 0
    handler.permit_foreign_addresses = False

    server = FTPServer(("127.0.0.1", 0), handler)
    server.max_cons = 64
    print(server.address[1], flush=True)

    # Ends with the test: its stdin is a pipe that closes when the test goes.
    def watch_stdin():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(timeout=0.2)


if __name__ == "__main__":
    main()
