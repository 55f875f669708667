#!/usr/bin/python3
"""An independent PCAN-Basic client against the simulator: python-can's pcan interface opens
the channel through libpcanbasic.so (the simulator under that name), sends an SDO read of the
UID of node 5 and must receive the sensor's answer. Exits 77 (skipped) without python-can."""

import sys
import time

try:
    import can
except ImportError:
    print("SKIP: python3-can is not installed (apt-get install python3-can)")
    sys.exit(77)

bus = can.interface.Bus(interface="pcan", channel="PCAN_USBBUS1", bitrate=125000)
try:
    bus.send(can.Message(arbitration_id=0x605, is_extended_id=False,
                         data=[0x40, 0x00, 0x2A, 0x01, 0, 0, 0, 0]))
    deadline = time.monotonic() + 2.0
    answer = None
    while time.monotonic() < deadline and answer is None:
        message = bus.recv(timeout=0.5)
        if message is not None and message.arbitration_id == 0x585:
            answer = message
finally:
    bus.shutdown()

expected = "43002a0100221006"
got = bytes(answer.data).hex() if answer is not None else "nothing"
if got != expected:
    print("FAIL: answer on 0x585:", got, "expected", expected)
    sys.exit(1)
print("OK: node 5 answered", got)
