#!/usr/bin/env python3
"""A TCP relay on 127.0.0.1 that holds every byte of a connection for DELAY
milliseconds each way, so that an FTP control connection through it sees
twice that as its round trip. Data connections are not relayed: the
server's passive replies name 127.0.0.1 and its own ports, which clients
reach directly.

    relay.py LISTEN_PORT TARGET_PORT [DELAY_MS]

Prints "relaying" once it listens; runs until killed.
"""
import asyncio
import sys


async def pump(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            if data is None:
                break
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.ensure_future(send())
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            queue.put_nowait((loop.time() + delay, data))
    except ConnectionError:
        pass
    queue.put_nowait((loop.time() + delay, None))
    try:
        await sender
    except ConnectionError:
        pass


async def main():
    listen, target = int(sys.argv[1]), int(sys.argv[2])
    delay = (float(sys.argv[3]) if len(sys.argv) > 3 else 10.0) / 1000.0

    async def serve(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer, delay), pump(server_reader, client_writer, delay),
                             return_exceptions=True)

    server = await asyncio.start_server(serve, "127.0.0.1", listen)
    print("relaying", flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
