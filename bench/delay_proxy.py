#!/usr/bin/env python3
"""A TCP proxy on 127.0.0.1 that delays every byte by a fixed time in each direction, as a
remote server would be. Prints "PORT <n>" once listening.

usage: delay_proxy.py TARGET_HOST TARGET_PORT DELAY_MS
"""
import asyncio
import sys


async def pump(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                try:
                    writer.write_eof()
                except (OSError, RuntimeError):
                    pass
                return
            writer.write(data)
            await writer.drain()

    sender = asyncio.ensure_future(send())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data if data else None))
            if not data:
                break
        await sender
    except (ConnectionError, OSError):
        sender.cancel()


async def main():
    host, port, delay = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]) / 1000.0

    async def handle(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(host, port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer, delay), pump(server_reader, client_writer, delay),
                             return_exceptions=True)
        for w in (client_writer, server_writer):
            try:
                w.close()
            except Exception:
                pass

    server = await asyncio.start_server(handle, "127.0.0.1", 0)
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        pass
