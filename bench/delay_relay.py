#!/usr/bin/env python3
"""A TCP relay on 127.0.0.1 that makes a local server look far away.

Every chunk is passed on DELAY seconds after it arrived, in each direction,
and the first chunk a client sends on a new connection waits one round trip
more, as a TCP handshake across a network would. The relay counts the
connections it accepted and writes the count to COUNT_FILE after each one,
so a caller can tell how many connections a program opened. It serves at
most MAX_CONNECTIONS at once and exits by itself after LIFETIME seconds.
"""

import argparse
import asyncio
import os
import signal
import sys

CHUNK_SIZE = 65536


class Relay:
    def __init__(self, args):
        self.args = args
        self.accepted = 0
        self.slots = asyncio.Semaphore(args.max_connections)

    def record_accept(self):
        self.accepted += 1
        temp = self.args.count_file + ".tmp"
        with open(temp, "w") as out:
            out.write("%d\n" % self.accepted)
        os.replace(temp, self.args.count_file)

    async def pipe(self, reader, writer, first_extra):
        """Copies reader to writer, each chunk DELAY seconds late, in order."""
        loop = asyncio.get_running_loop()
        queue = asyncio.Queue()

        async def read_side():
            extra = first_extra
            while True:
                data = await reader.read(CHUNK_SIZE)
                await queue.put((loop.time() + self.args.delay + extra, data))
                extra = 0.0
                if not data:
                    return

        async def write_side():
            while True:
                due, data = await queue.get()
                wait = due - loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if not data:
                    if writer.can_write_eof():
                        writer.write_eof()
                    return
                writer.write(data)
                await writer.drain()

        await asyncio.gather(read_side(), write_side())

    async def handle(self, client_reader, client_writer):
        self.record_accept()
        async with self.slots:
            try:
                server_reader, server_writer = await asyncio.open_connection("127.0.0.1", self.args.target_port)
            except OSError:
                client_writer.close()
                return
            round_trip = 2 * self.args.delay
            try:
                await asyncio.gather(
                    self.pipe(client_reader, server_writer, round_trip),
                    self.pipe(server_reader, client_writer, 0.0),
                )
            except (OSError, asyncio.IncompleteReadError):
                pass
            finally:
                client_writer.close()
                server_writer.close()


async def serve(args):
    relay = Relay(args)
    server = await asyncio.start_server(relay.handle, "127.0.0.1", args.listen_port, backlog=512)
    with open(args.count_file, "w") as out:
        out.write("0\n")
    print(server.sockets[0].getsockname()[1], flush=True)
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(sig, stop.set)
    try:
        await asyncio.wait_for(stop.wait(), args.lifetime)
    except asyncio.TimeoutError:
        pass
    server.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--target-port", type=int, required=True, help="server port on 127.0.0.1")
    parser.add_argument("--listen-port", type=int, default=0, help="0 picks a free port (printed on stdout)")
    parser.add_argument("--delay", type=float, default=0.010, help="seconds per direction (default %(default)s)")
    parser.add_argument("--count-file", required=True, help="file that holds the count of accepted connections")
    parser.add_argument("--max-connections", type=int, default=256, help="connections served at once")
    parser.add_argument("--lifetime", type=float, default=7200, help="seconds before the relay exits")
    args = parser.parse_args()
    asyncio.run(serve(args))
    return 0


if __name__ == "__main__":
    sys.exit(main())
