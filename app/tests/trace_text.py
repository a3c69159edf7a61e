"""What the trace checks read of a trace file as a stranger would: its tag
lines, the values of a data block, and the report of what is wrong."""
import re


def read(path):
    """The file's text and its tag lines ("\\t<name = value>") by name."""
    text = open(path, "rb").read().decode("utf-8")
    tags = dict(re.findall(r"^\t<([^=<>]+?) = ?([^>\n]*)>$", text, re.M))
    return text, tags


def tag_faults(tags, expected):
    """One fault for each tag whose value is not the expected one."""
    return ["%s: %r, expected %r" % (key, tags.get(key), value)
            for key, value in expected.items() if tags.get(key) != value]


def block_values(text, tag):
    """Every number of the block lines "\\t<TAG = v; v; ...>", in order."""
    values = []
    for line in re.findall(r"^\t<%s = ([^>]*)>$" % re.escape(tag), text, re.M):
        values += [float(v) for v in line.split(";") if v.strip()]
    return values


def report(path, faults):
    """Prints one line per fault; true when there is none."""
    for f in faults:
        print(path + ": " + f)
    return not faults
