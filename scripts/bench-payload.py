#!/usr/bin/env python3
"""Writes one benchmark payload folder, the same bytes for the same arguments on every machine.

  bench-payload.py mixed FOLDER MIB     files of 1 KiB to 2 MiB: prose, number tables, repeated binary chunks,
                                        random bytes (incompressible), MIB MiB in all
  bench-payload.py small FOLDER COUNT   COUNT files of 64 B to 16 KiB in 2 levels of folders
  bench-payload.py tiny FOLDER          one 1 KiB text file
  bench-payload.py exes FOLDER MIB      Windows i386 programs and DLLs of the installed Wine, a seeded choice,
                                        about MIB MiB (the same choice wherever the same Wine version is installed)

Prints the number of files, their bytes and a SHA-256 over names and contents, so that two machines can tell
whether they measured the same payload.
"""
import hashlib
import os
import random
import shutil
import sys

SEED = 20261206


class Writer:
    def __init__(self, folder):
        self.folder = folder
        self.files = 0
        self.bytes = 0
        self.digest = hashlib.sha256()

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
        self.files += 1
        self.bytes += len(data)
        self.digest.update(name.encode() + b"\0" + len(data).to_bytes(8, "little"))
        self.digest.update(data)

    def summary(self):
        return f"{self.files} files, {self.bytes} bytes, sha256 {self.digest.hexdigest()[:16]}"


def vocabulary(rng):
    return ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 12))) for _ in range(50000)]


def prose(rng, words, size):
    parts, length = [], 0
    while length < size:
        line = " ".join(rng.choices(words, k=rng.randint(6, 16))) + ".\n"
        parts.append(line)
        length += len(line)
    return "".join(parts).encode()[:size]


def table(rng, size):
    parts, length, row = [], 0, rng.randint(0, 1 << 20)
    while length < size:
        row += 1
        line = f"{row};{rng.randint(0, 99999)};{rng.randint(-5000, 5000) / 100:.2f};{rng.choice('ABCDEFGH')}{rng.randint(0, 999):03}\n"
        parts.append(line)
        length += len(line)
    return "".join(parts).encode()[:size]


def chunks(rng, pool, size):
    out = bytearray()
    while len(out) < size:
        chunk = bytearray(rng.choice(pool))
        for _ in range(8):  # a few changed bytes, as in records that differ slightly
            chunk[rng.randrange(len(chunk))] = rng.randrange(256)
        out += chunk
    return bytes(out[:size])


def mixed(folder, mib):
    rng = random.Random(SEED)
    words = vocabulary(rng)
    pool = [rng.randbytes(65536) for _ in range(64)]
    writer, total, index = Writer(folder), mib << 20, 0
    while writer.bytes < total:
        size = min(int(2 ** rng.uniform(10, 21)), total - writer.bytes)
        kind = rng.choices(["txt", "csv", "dat", "bin"], weights=[45, 20, 20, 15])[0]
        data = {"txt": lambda: prose(rng, words, size), "csv": lambda: table(rng, size),
                "dat": lambda: chunks(rng, pool, size), "bin": lambda: rng.randbytes(size)}[kind]()
        writer.write(f"d{index // 16:02}/f{index:04}.{kind}", data)
        index += 1
    return writer


def small(folder, count):
    rng = random.Random(SEED + 1)
    words = vocabulary(rng)
    writer = Writer(folder)
    for index in range(count):
        size = int(2 ** rng.uniform(6, 14))
        data = rng.randbytes(size) if rng.random() < 0.1 else prose(rng, words, size)
        writer.write(f"s{index // 2000:02}/t{index // 100 % 20:02}/f{index:05}.txt", data)
    return writer


def tiny(folder):
    rng = random.Random(SEED + 2)
    writer = Writer(folder)
    writer.write("readme.txt", prose(rng, vocabulary(rng), 1024))
    return writer


def exes(folder, mib):
    roots = ["/usr/lib/i386-linux-gnu/wine/i386-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"]
    root = next((r for r in roots if os.path.isdir(r)), None)
    if root is None:
        sys.exit("bench-payload.py: no Wine program folder (" + ", ".join(roots) + ")")
    names = sorted(n for n in os.listdir(root) if n.endswith((".dll", ".exe")) and os.path.isfile(os.path.join(root, n)))
    random.Random(SEED + 3).shuffle(names)
    writer, total = Writer(folder), mib << 20
    for name in names:
        if writer.bytes >= total:
            break
        with open(os.path.join(root, name), "rb") as source:
            writer.write(name, source.read())
    return writer


def main():
    kind, folder = sys.argv[1], sys.argv[2]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    if kind == "mixed":
        writer = mixed(folder, int(sys.argv[3]))
    elif kind == "small":
        writer = small(folder, int(sys.argv[3]))
    elif kind == "tiny":
        writer = tiny(folder)
    elif kind == "exes":
        writer = exes(folder, int(sys.argv[3]))
    else:
        sys.exit(__doc__)
    print(writer.summary())


if __name__ == "__main__":
    main()
