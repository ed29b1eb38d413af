"""Mail sink for the end-to-end tests.

Usage: /usr/bin/python3 smtp_sink.py FOLDER
Listens on a free 127.0.0.1 port and prints it. Each accepted message is stored
as FOLDER/N.eml: the envelope sender and recipients, an empty line, then the
message data exactly as received. Recipients starting with "refused@" get 550.
"""
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


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


async def main(folder):
    sink = Sink(folder)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(sink, hostname="sink.test"), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.Event().wait()


asyncio.run(main(sys.argv[1]))
