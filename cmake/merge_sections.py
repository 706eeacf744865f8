#!/usr/bin/python3
# cmake/merge_sections.py LINKER OUTPUT - writes the linker's own default script for setup.exe with
# two small sections folded into their neighbours. Every section of a PE file takes whole 512-byte
# units of the file: the start-up tables (.CRT, 24 bytes) took one of their own, and the frame
# tables that the toolchain's start-up objects bring (.eh_frame, under 1 KB, never read: setup
# throws nothing and registers no unwinder) took two. ld has no switch to merge sections, so the
# link gets its default script, as this very linker prints it, with:
#   - the .CRT tables, in their sorted order and with their bounds, at the end of .data (both are
#     writable data);
#   - .eh_frame at the start of .rdata (both are read-only data), before the run-time relocation
#     list, whose bounds the script takes from the end of .rdata.
# Fails loudly when the script does not have the expected shape, rather than link without it.
import re
import subprocess
import sys


def section_block(script, name):
    """The whole output-section statement of that name, and its body."""
    match = re.search(r"\n  " + re.escape(name) + r" BLOCK\(__section_alignment__\) :\n  \{\n(.*?)\n  \}\n",
                      script, re.S)
    if not match:
        sys.exit("merge_sections.py: no %s section in the default script" % name)
    return match


def main():
    linker, output = sys.argv[1], sys.argv[2]
    verbose = subprocess.run([linker, "--verbose"], check=True, capture_output=True, text=True).stdout
    parts = verbose.split("==================================================\n")
    if len(parts) != 3:
        sys.exit("merge_sections.py: the linker printed no default script")
    script = parts[1]

    crt = section_block(script, ".CRT")
    script = script[:crt.start()] + "\n" + script[crt.end():]
    data = section_block(script, ".data")
    script = script[:data.end() - 5] + "\n" + crt.group(1) + script[data.end() - 5:]

    frames = section_block(script, ".eh_frame")
    script = script[:frames.start()] + "\n" + script[frames.end():]
    rdata = section_block(script, ".rdata")
    body_start = rdata.start(1)
    script = script[:body_start] + frames.group(1) + "\n" + script[body_start:]

    with open(output, "w") as f:
        f.write(script)


if __name__ == "__main__":
    main()
