"""Mail sink for the runtime suites: stores every message with its envelope."""
import itertools
import os
import signal
import sys

from aiosmtpd.controller import Controller

counter = itertools.count(1)


class Store:
    def __init__(self, folder):
        self.folder = folder

    async def handle_DATA(self, server, session, envelope):
        head = "FROM %s\n" % envelope.mail_from
        head += "".join("TO %s\n" % rcpt for rcpt in envelope.rcpt_tos)
        name = os.path.join(self.folder, "%04d.msg" % next(counter))
        with open(name + ".tmp", "wb") as out:
            out.write(head.encode() + b"\n" + envelope.original_content)
        os.rename(name + ".tmp", name)
        return "250 OK"


def main():
    port, folder = int(sys.argv[1]), sys.argv[2]
    controller = Controller(Store(folder), hostname="127.0.0.1", port=port)
    signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
    controller.start()
    signal.sigwait([signal.SIGTERM, signal.SIGINT])
    controller.stop()


if __name__ == "__main__":
    main()
