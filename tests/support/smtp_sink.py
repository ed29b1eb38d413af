"""Mail sink for the end-to-end tests.

Usage: /usr/bin/python3 smtp_sink.py FOLDER [--tls CERTFOLDER [--implicit]] [--login USER:PASSWORD]
Listens on a free 127.0.0.1 port and prints it. Each accepted message is stored
as FOLDER/N.eml: the envelope sender and recipients, an empty line, then the
message data exactly as received. Recipients starting with "refused@" get 550.

With --tls the sink uses (and first makes, when missing) a throw-away
certificate for 127.0.0.1 in CERTFOLDER and refuses every command but EHLO
before STARTTLS; --implicit speaks TLS from the first byte instead, as on port
465. With --login it offers AUTH PLAIN and LOGIN and refuses mail from a
client that has not logged in.
"""
import argparse
import asyncio
import logging
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from throwaway_cert import make_certificate  # noqa: E402


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refused@"):
            return "550 5.1.1 mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = os.path.join(self.folder, f"{self.count}.eml")
        with open(path + ".tmp", "wb") as out:
            out.write(f"{envelope.mail_from}\n{' '.join(envelope.rcpt_tos)}\n\n".encode())
            out.write(envelope.original_content)
        os.rename(path + ".tmp", path)
        return "250 Message accepted"


def checker(login):
    user, _, password = login.partition(":")

    def check(server, session, envelope, mechanism, auth_data):
        good = auth_data.login == user.encode() and auth_data.password == password.encode()
        return AuthResult(success=good, handled=False)

    return check


async def main(args):
    # A client that refuses the certificate is part of the tests, not news.
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    sink = Sink(args.folder)
    context = None
    if args.tls:
        cert, key = make_certificate(args.tls)
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(cert, key)
    options = dict(hostname="sink.test")
    if context and not args.implicit:
        options.update(tls_context=context, require_starttls=True)
    if args.login:
        # Over TLS from the start the session is encrypted before aiosmtpd sees it.
        options.update(authenticator=checker(args.login), auth_required=True,
                       auth_require_tls=bool(context) and not args.implicit)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(sink, **options), "127.0.0.1", 0,
                                      ssl=context if args.implicit else None)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.Event().wait()


parser = argparse.ArgumentParser()
parser.add_argument("folder")
parser.add_argument("--tls")
parser.add_argument("--implicit", action="store_true")
parser.add_argument("--login")
asyncio.run(main(parser.parse_args()))
