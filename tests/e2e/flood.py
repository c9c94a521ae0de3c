#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A server that floods its first client with records as fast as it can write,
then keeps the connection open, and reports what the client sent back.

    flood.py PORT SIZE      SIZE in bytes, or with K or M
Prints "listening PORT", "client connected", "flooded BYTES", and at the end
(on SIGTERM or when the client goes) "received BYTES". After the flood, SIGUSR1
sends one more record (starter "after") and prints "sent after"; SIGUSR2 closes
the connection.
"""
import select
import signal
import socket
import sys

port, size = int(sys.argv[1]), sys.argv[2]
total = int(size[:-1]) * {"K": 1024, "M": 1024 * 1024}[size[-1]] if size[-1] in "KM" else int(size)
record = b"T\xb3\xc9Chess\xc9\xb3\xe7flood\xe7\xb30\xb3\xfaHall 9\xfa"
block = record * (65536 // len(record))

server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("0.0.0.0", port))
server.listen(8)
print(f"listening {port}", file=sys.stderr, flush=True)
client, _ = server.accept()
print("client connected", file=sys.stderr, flush=True)

received = 0


def report(*_):
    print(f"received {received}", file=sys.stderr, flush=True)
    sys.exit(0)


signal.signal(signal.SIGTERM, report)

sent = 0
while sent < total:
    readable, writable, _ = select.select([client], [client], [], 5)
    if readable:
        data = client.recv(65536)
        if not data:
            report()
        received += len(data)
    if writable:
        sent += client.send(block[: min(len(block), total - sent)])
print(f"flooded {sent}", file=sys.stderr, flush=True)


def send_after(*_):
    client.sendall(b"T\xb3\xc9Chess\xc9\xb3\xe7after\xe7\xb30\xb3\xfaHall 9\xfa")
    print("sent after", file=sys.stderr, flush=True)


signal.signal(signal.SIGUSR1, send_after)
signal.signal(signal.SIGUSR2, lambda *_: client.shutdown(socket.SHUT_RDWR))
while True:
    data = client.recv(65536)
    if not data:
        report()
    received += len(data)
