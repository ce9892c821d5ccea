"""The input sections of a GNU ld map file (-Map), for the scripts that read the stub's map."""
import re

_LINE = re.compile(r"^ (\S+)?\s+0x[0-9a-fA-F]+\s+0x([0-9a-fA-F]+)\s+(\S.*)$")


def input_sections(path):
    """Yields (part, section, size, origin) for every input section of the map: part is "discarded" (removed by
    --gc-sections or as a duplicate of a linked-once section) or "kept"; origin is the object or library member."""
    part, pending = None, None
    with open(path, errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("Discarded input sections"):
                part = "discarded"
                continue
            if line.startswith("Linker script and memory map"):
                part = "kept"
                continue
            if part is None:
                continue
            if re.match(r"^ \S+$", line):  # a long section name: address, size and origin follow on the next line
                pending = line.strip()
                continue
            match = _LINE.match(line)
            section = (match.group(1) or pending) if match else None
            pending = None
            if section and not section.startswith("*"):
                yield part, section, int(match.group(2), 16), match.group(3).strip()
