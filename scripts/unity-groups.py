#!/usr/bin/env python3
"""Splits each target's sources into unity groups of at most eight files.

The build compiles the files of a group as one unit: most of a file's compile
time is parsing the same headers. Names of internal linkage (an unnamed
namespace, `static`, namespace-scope `constexpr`/`const`) are private to a
file, and two files may well both have a helper `Round` or a constant `kPi`;
in one unit they would collide, or a call in one file would silently pick the
other file's overload. So a file joins a group only if it shares no such name
with the files already in it.

    unity-groups.py <list> <output>
<list> holds lines "target<TAB>source"; <output> receives lines
"target<TAB>source<TAB>group" (sources left out are compiled alone).
"""
import re
import sys

GROUP_SIZE = 8

DECL_SKIP = re.compile(r"^(namespace|}|#|//|/\*|\*|template\b|return\b|public:|private:|protected:|extern\b|friend\b|typedef\b|\s|$)")
TYPE_DEF = re.compile(r"^(?:struct|class|union|enum(?:\s+class)?)\s+(\w+)\s*(?:final\s*)?(?:[:{]|$)")
USING_DEF = re.compile(r"^using\s+(\w+)\s*=")
USING_DECL = re.compile(r"^using\s+((?:\w+::)+(\w+))\s*;")
USING_NAMESPACE = re.compile(r"^using\s+namespace\s+([\w:]+)\s*;")
FUNC_DEF = re.compile(r"^[\w:<>,\s\*&\[\]]*?[\s\*&>](\w+)\s*\(")
VAR_DEF = re.compile(r"^[\w:<>,\s\*&\[\]]*?[\s\*&>](\w+)\s*(?:\[[^\]]*\])*\s*(?:=|\{|;|\()")
DECLARATOR = re.compile(r"(?:^|,)\s*(?:[\w:<>\*&\s]*\s)?(\w+)\s*=(?!=)")


def is_type_definition(text):
    return TYPE_DEF.match(text) or USING_DEF.match(text)


INTERNAL = re.compile(r"^(?:static|constexpr|const)\b")


def internal_names(path):
    """(name, using) of every file-scope name with internal linkage; using is
    "using a::b" for a using-declaration, which may repeat in one unit."""
    names = []
    anon_depth = []  # brace depths at which unnamed namespaces opened
    depth = 0
    in_comment = False
    pending_declarators = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            text = line.rstrip("\n")
            stripped = re.sub(r'"(?:\\.|[^"\\])*"', '""', text)
            stripped = re.sub(r"'(?:\\.|[^'\\])*'", "''", stripped)
            if in_comment:
                if "*/" not in stripped:
                    continue
                stripped = stripped.split("*/", 1)[1]
                in_comment = False
            stripped = stripped.split("//", 1)[0]
            if "/*" in stripped and "*/" not in stripped.split("/*", 1)[1]:
                in_comment = True
                stripped = stripped.split("/*", 1)[0]
            # Only lines at column 0 are read: with the project's formatting
            # they are the declarations at namespace scope.
            at_namespace_scope = not anon_depth or anon_depth[-1] == depth
            using = USING_DECL.match(text) if at_namespace_scope else None
            directive = USING_NAMESPACE.match(text) if at_namespace_scope else None
            define = re.match(r"^#\s*define\s+(\w+)", text)
            if define:
                # A macro stays defined for every file after it in the unit.
                names.append((define.group(1), None))
            if using:
                names.append((using.group(2), "using " + using.group(1)))
            elif directive and not directive.group(1).startswith("std::"):
                # Stays in force for every file after it in the unit.
                names.append(("using namespace", None))
            elif re.match(r"^namespace\s*\{", stripped):
                anon_depth.append(depth + 1)
            elif pending_declarators:
                # "constexpr int a = 1, b = 2," goes on over further lines.
                names.extend((n, None) for n in DECLARATOR.findall(stripped))
                pending_declarators = not stripped.rstrip().endswith(";")
            elif at_namespace_scope and not DECL_SKIP.match(text) and text[:1] not in (" ", "\t"):
                inside_anon = bool(anon_depth) and anon_depth[-1] == depth
                internal = inside_anon or INTERNAL.match(text)
                if internal:
                    m = is_type_definition(text)
                    if not m and "operator" not in text:
                        m = FUNC_DEF.match(text) or VAR_DEF.match(text)
                    if m:
                        names.append((m.group(1), None))
                    if INTERNAL.match(text) and not is_type_definition(text):
                        pending_declarators = not stripped.rstrip().endswith((";", "{", "}"))
                        names.extend((n, None) for n in DECLARATOR.findall(stripped))
            depth += stripped.count("{") - stripped.count("}")
            while anon_depth and depth < anon_depth[-1]:
                anon_depth.pop()
    return names


def main():
    listing, output = sys.argv[1], sys.argv[2]
    by_target = {}
    with open(listing, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if "\t" in line:
                target, source = line.split("\t", 1)
                by_target.setdefault(target, []).append(source)
    lines = []
    for target, sources in by_target.items():
        groups = []  # [{name: using or None}, count]
        for source in sources:
            try:
                found = internal_names(source)
            except OSError:
                continue
            if any(name == "using namespace" for name, _ in found):
                continue  # compiled alone
            names = dict(found)
            for index, (taken, count) in enumerate(groups):
                if count < GROUP_SIZE and not any(
                        name in taken and not (using and taken[name] == using) for name, using in names.items()):
                    break
            else:
                index = len(groups)
                groups.append([{}, 0])
            groups[index][0].update(names)
            groups[index][1] += 1
            lines.append(f"{target}\t{source}\tg{index}")
    with open(output, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + ("\n" if lines else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
