#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs, and otherwise 1 with the reason on stderr.
# It finds out by running one: kernels can leave their IA-32 emulation out or switch it off at
# boot, and no package or setting tells which reliably.
set -euo pipefail

work="$(mktemp -d)"
trap 'rm -rf "${work}"' EXIT
program="${work}/exit32"

# A whole static i386 ELF program, 96 bytes: the ELF header, one loadable segment, and
# `mov eax, 1; mov ebx, 32; int 0x80`, which is exit(32) through the 32-bit system call gate.
elf_header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
elf_header+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
elf_header+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
segment+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
code='\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80'
printf "${elf_header}${segment}${code}" >"${program}"
chmod +x "${program}"

status=0
error="$("${program}" 2>&1)" || status=$?
if ((status != 32)); then
    reason="${error##*: }"
    echo "this machine does not run 32-bit x86 programs (${reason:-exit status ${status}})" >&2
    exit 1
fi
