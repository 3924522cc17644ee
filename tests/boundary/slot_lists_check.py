#!/usr/bin/env python3
"""Checks that every interface of the boundary headers has the same slot list
for a host built with MSVC (x86_64-pc-windows-msvc) as for the DLL built with
MinGW-w64 (x86_64-w64-windows-gnu), as clang lays them out
(-Xclang -fdump-vtable-layouts), and that under MinGW no operation returns a
class by value outside the portable form of module/BoundaryAbi.h. So a test
fails when a boundary header gains a virtual destructor, an overloaded virtual
operation or a by-value class return that MSVC would lay out or call
differently. Needs only clang: the headers are compiled freestanding with the
stand-ins of msvchost/include.

Usage: slot_lists_check.py --clang CLANG --source-dir DIR HEADER... [--print]
(headers relative to DIR; --print shows both slot lists of every interface)
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

TARGETS = {"msvc": "x86_64-pc-windows-msvc", "mingw": "x86_64-w64-windows-gnu"}
# Result types that both ABIs return alike (in a register or not at all).
SCALARS = {"void", "bool", "char", "int", "unsigned int", "float", "double", "long long",
           "unsigned long long", "std::size_t", "std::int64_t", "std::uint32_t", "std::uint64_t"}


def interfaces(source_dir, headers):
    """The classes the boundary headers define, in order."""
    names = []
    for header in headers:
        with open(os.path.join(source_dir, header), encoding="utf-8") as f:
            for match in re.finditer(r"^(?:class|struct)\s+(\w+)\b[^;{]*\{", f.read(), re.M):
                names.append(match.group(1))
    return names


def dump(clang, target, source_dir, headers, names):
    """clang's vtable dump for a unit that makes every class's table."""
    probes = "".join(f"struct Probe_{n} : {n} {{ Probe_{n}(); }};\nProbe_{n}::Probe_{n}() {{}}\n" for n in names)
    unit = "".join(f'#include "{h}"\n' for h in headers) + probes
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "probe.cpp")
        with open(path, "w", encoding="utf-8") as f:
            f.write(unit)
        result = subprocess.run(
            [clang, f"--target={target}", "-std=c++20", "-ffreestanding", "-fno-rtti", "-nostdinc",
             "-isystem", os.path.join(source_dir, "msvchost", "include"), "-I", source_dir,
             "-c", "-o", os.devnull, "-Xclang", "-fdump-vtable-layouts", path],
            capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"clang --target={target} failed:\n{result.stderr}")
    return result.stdout


def slot_lists(text):
    """{class: [entry, ...]} of the classes' own tables (the probes' left out)."""
    lists = {}
    current = None
    for line in text.splitlines():
        header = re.match(r"^(?:VFTable|Vtable) for '([^']+)'(?: in '([^']+)')*.* \(\d+ entr", line)
        if header:
            owner = re.findall(r"'([^']+)'", line)[-1]
            current = None if owner.startswith("Probe_") or owner in lists else owner
            if current:
                lists[current] = []
            continue
        entry = re.match(r"^\s+\d+ \| (.*)$", line)
        if current and entry:
            text_ = entry.group(1).replace(" [pure]", "").strip()
            if text_.endswith(" RTTI") or text_.startswith(("offset_to_top", "vcall_offset", "vbase_offset")):
                continue
            lists[current].append(text_)
        elif not line.strip():
            current = None
    return lists


def as_msvc_calls(entry):
    """A MinGW entry in the portable form, written as the MSVC operation it stands for."""
    if re.match(r"^void \*[\w:]+::DeletingDestructor\(unsigned int\)$", entry):
        return "<scalar deleting destructor>"
    portable = re.match(r"^(\w+) \*([\w:]+)Into\(\1 \*(?:, )?(.*)\)( const)?$", entry)
    if portable:
        return f"{portable.group(1)} {portable.group(2)}({portable.group(3)}){portable.group(4) or ''}"
    return entry


def msvc_name(entry):
    return "<scalar deleting destructor>" if entry.endswith("[scalar deleting]") else entry


def class_result(entry):
    """The result type when an entry returns something other than a scalar, pointer or reference."""
    match = re.match(r"^(.*?)\s*[\w:~]+\(", entry)
    result = match.group(1).replace("const ", "").strip() if match else ""
    if not result or result.endswith(("*", "&")) or result in SCALARS:
        return None
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--clang", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--print", action="store_true")
    parser.add_argument("headers", nargs="+")
    args = parser.parse_args()

    names = interfaces(args.source_dir, args.headers)
    lists = {abi: slot_lists(dump(args.clang, target, args.source_dir, args.headers, names))
             for abi, target in TARGETS.items()}
    problems = []
    for name in names:
        msvc, mingw = lists["msvc"].get(name), lists["mingw"].get(name)
        if msvc is None and mingw is None:
            continue  # no virtual operations
        msvc = [msvc_name(e) for e in msvc or []]
        mingw_calls = [as_msvc_calls(e) for e in mingw or []]
        if args.print:
            print(f"{name}:")
            for slot in range(max(len(msvc), len(mingw_calls))):
                left = msvc[slot] if slot < len(msvc) else "-"
                right = (mingw or [])[slot] if slot < len(mingw or []) else "-"
                print(f"  {slot:3} | MSVC: {left}\n      | MinGW: {right}")
        if msvc != mingw_calls:
            first = next(i for i in range(max(len(msvc), len(mingw_calls)))
                         if i >= len(msvc) or i >= len(mingw_calls) or msvc[i] != mingw_calls[i])
            problems.append(f"{name}: the slot lists part at slot {first}: MSVC "
                            f"{msvc[first] if first < len(msvc) else 'ends'}, MinGW "
                            f"{(mingw or [])[first] if first < len(mingw or []) else 'ends'} "
                            "(a virtual destructor or an overload outside the portable form?)")
        operations = [re.sub(r"\(.*", "", e).split("::")[-1] for e in msvc if not e.startswith("<")]
        for op in sorted({o for o in operations if operations.count(o) > 1}):
            problems.append(f"{name}: the virtual operation {op} is overloaded; MSVC orders overloads its own way")
        for entry in mingw or []:
            result = class_result(entry)
            if result:
                problems.append(f"{name}: {entry} returns {result} by value; MSVC calls it with a hidden result "
                                "pointer (declare it with VOGAME_CLASS_RESULT)")
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print(f"{len(names)} boundary classes checked; every slot list matches MSVC's")
    return 0


if __name__ == "__main__":
    sys.exit(main())
