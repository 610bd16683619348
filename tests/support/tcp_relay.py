"""A TCP relay: python3 tcp_relay.py LISTEN_PORT TARGET_HOST TARGET_PORT.

Clients that reach 127.0.0.1:LISTEN_PORT are joined to the target. Stopping the relay cuts every
connection at once, as a network cable pulled does, and starting it again lets clients back in.
"""
import asyncio
import sys


async def pipe(reader, writer):
    try:
        while data := await reader.read(65536):
            writer.write(data)
            await writer.drain()
    except (ConnectionError, asyncio.CancelledError):
        pass
    finally:
        writer.close()


async def main(listen_port, host, port):
    async def join(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(host, port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pipe(client_reader, server_writer),
                             pipe(server_reader, client_writer))

    server = await asyncio.start_server(join, "127.0.0.1", listen_port, reuse_address=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main(int(sys.argv[1]), sys.argv[2], int(sys.argv[3])))
