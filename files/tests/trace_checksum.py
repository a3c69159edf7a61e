#!/usr/bin/env python3
"""Checks the last line of each trace file: the byte sum of everything before
it, printed with "%04d" and ended by CR LF."""
import sys


def check(path):
    data = open(path, "rb").read()
    end = data.rfind(b"\r\n", 0, len(data) - 2)
    body, last = data[: end + 2], data[end + 2:]
    expected = b"%04d\r\n" % (sum(body) & 0xFFFFFFFF)
    if last != expected:
        print(f"{path}: checksum line {last!r}, expected {expected!r}")
        return False
    if not body.endswith(b"</body>\n</html>\r\n"):
        print(f"{path}: the body does not close before the checksum")
        return False
    return True


if __name__ == "__main__":
    ok = all([check(p) for p in sys.argv[1:]])
    print("checked", len(sys.argv) - 1, "files")
    sys.exit(0 if ok else 1)
