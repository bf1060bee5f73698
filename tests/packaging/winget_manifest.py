#!/usr/bin/env python3
"""Reads the winget manifests the build writes beside the setup zip, for the delivery test.

  winget_manifest.py check <manifest folder>   the version, installer and defaultLocale files of
                                               one package: valid YAML, their keys, one identity
  winget_manifest.py get <file> <key.path>     a scalar ("InstallerSwitches.Silent",
                                               "AppsAndFeaturesEntries.0.DisplayName")
  winget_manifest.py split <command line>      the arguments a Windows program sees, each ended
                                               by a NUL

YAML is read with PyYAML; without it, with a minimal reader of the block mappings, lists and
scalars the manifests use, so that a machine without PyYAML still checks their shape.
"""
import pathlib
import re
import sys

try:
    import yaml
except ImportError:
    yaml = None


class ManifestError(Exception):
    pass


def scalar(text):
    text = text.strip()
    if text[:1] == '"':
        if not text.endswith('"') or len(text) < 2:
            raise ManifestError(f"unterminated string: {text}")
        return text[1:-1].replace('\\"', '"').replace('\\\\', '\\')
    if text[:1] == "'":
        if not text.endswith("'") or len(text) < 2:
            raise ManifestError(f"unterminated string: {text}")
        return text[1:-1].replace("''", "'")
    if text[:1] in "@`%&*!|>{[":
        raise ManifestError(f"not a plain scalar: {text}")
    return int(text) if re.fullmatch(r"-?[0-9]+", text) else text


def minimal_load(text):
    """Block mappings and lists of scalars or mappings, and ">-" folded scalars."""
    lines = []
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        if "\t" in line[: len(line) - len(line.lstrip())]:
            raise ManifestError(f"line {number}: a tab in the indentation")
        lines.append((number, len(line) - len(line.lstrip()), line.strip()))

    def block(i, indent):
        if i < len(lines) and lines[i][2].startswith("- "):
            items = []
            while i < len(lines) and lines[i][1] == indent and lines[i][2].startswith("- "):
                number, _, content = lines[i]
                # "- key: value" opens a mapping whose keys sit two columns further in.
                lines[i] = (number, indent + 2, content[2:])
                if re.match(r"[A-Za-z][A-Za-z0-9]*:", content[2:]):
                    value, i = block(i, indent + 2)
                else:
                    value, i = scalar(content[2:]), i + 1
                items.append(value)
            return items, i
        mapping = {}
        while i < len(lines) and lines[i][1] == indent:
            number, _, content = lines[i]
            match = re.fullmatch(r"([A-Za-z][A-Za-z0-9]*):(?:\s+(.*))?", content)
            if not match:
                raise ManifestError(f"line {number}: not a \"key: value\" line: {content}")
            key, value = match.group(1), match.group(2)
            if key in mapping:
                raise ManifestError(f"line {number}: {key} given twice")
            i += 1
            if value == ">-":
                folded = []
                while i < len(lines) and lines[i][1] > indent:
                    folded.append(lines[i][2])
                    i += 1
                mapping[key] = " ".join(folded)
            elif value is None:
                if i >= len(lines) or lines[i][1] < indent or (
                        lines[i][1] == indent and not lines[i][2].startswith("- ")):
                    mapping[key] = None
                else:
                    mapping[key], i = block(i, lines[i][1])
            else:
                mapping[key] = scalar(value)
        return mapping, i

    document, end = block(0, 0)
    if end != len(lines):
        raise ManifestError(f"line {lines[end][0]}: indentation does not fit")
    return document


def load(path):
    text = pathlib.Path(path).read_text(encoding="utf-8")
    unreadable = (ManifestError, ValueError) + ((yaml.YAMLError,) if yaml else ())
    try:
        document = yaml.safe_load(text) if yaml else minimal_load(text)
    except unreadable as error:
        raise ManifestError(f"{path}: {error}")
    if not isinstance(document, dict):
        raise ManifestError(f"{path}: not a mapping")
    return document


def lookup(document, path):
    value = document
    for part in path.split("."):
        if isinstance(value, list) and part.isdigit() and int(part) < len(value):
            value = value[int(part)]
        elif isinstance(value, dict) and part in value:
            value = value[part]
        else:
            raise ManifestError(f"no {path}")
    return value


REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher",
                      "PackageName", "License", "ShortDescription"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers"],
}


def check(folder):
    problems = []
    manifests = {}
    for path in sorted(pathlib.Path(folder).glob("*.yaml")):
        try:
            document = load(path)
        except ManifestError as error:
            problems.append(str(error))
            continue
        kind = document.get("ManifestType")
        if kind not in REQUIRED or kind in manifests:
            problems.append(f"{path.name}: ManifestType {kind!r} unknown or given twice")
            continue
        manifests[kind] = document
        version = tuple(int(n) for n in re.findall(r"[0-9]+", str(document.get("ManifestVersion"))))
        if version < (1, 6, 0):
            problems.append(f"{path.name}: ManifestVersion {document.get('ManifestVersion')} before 1.6.0")
        problems += [f"{path.name}: no {key}" for key in REQUIRED[kind] if not document.get(key)]
        if "@" in path.read_text(encoding="utf-8").replace("# yaml-language-server", ""):
            problems.append(f"{path.name}: a placeholder is left")
    problems += [f"no {kind} manifest" for kind in REQUIRED if kind not in manifests]
    identities = {(m.get("PackageIdentifier"), str(m.get("PackageVersion"))) for m in manifests.values()}
    if len(identities) > 1:
        problems.append(f"the files name different packages: {sorted(identities)}")
    installer = manifests.get("installer", {})
    for key, expected in [("InstallerType", "zip"), ("NestedInstallerType", "exe"), ("Scope", "user"),
                          ("NestedInstallerFiles.0.RelativeFilePath", "VANTPlusTWSSetup.exe"),
                          ("AppsAndFeaturesEntries.0.InstallerType", "exe")]:
        try:
            found = lookup(installer, key)
        except ManifestError:
            found = None
        if installer and found != expected:
            problems.append(f"installer: {key} is {found!r}, not {expected!r}")
    for entry in installer.get("Installers") or []:
        if not re.fullmatch(r"[0-9A-F]{64}", str(entry.get("InstallerSha256"))):
            problems.append(f"installer: InstallerSha256 {entry.get('InstallerSha256')!r} is no SHA-256")
        if not re.fullmatch(r"https?://\S+", str(entry.get("InstallerUrl"))):
            problems.append(f"installer: InstallerUrl {entry.get('InstallerUrl')!r} is no address")
    codes = [c.get("InstallerReturnCode") for c in installer.get("ExpectedReturnCodes") or []]
    if len(codes) != len(set(codes)) or 0 in codes:
        problems.append(f"installer: ExpectedReturnCodes repeat a code or list 0: {codes}")
    for problem in problems:
        print(f"{folder}: {problem}", file=sys.stderr)
    print(f"{folder}: {'checked with PyYAML' if yaml else 'checked by the minimal reader (no PyYAML)'}"
          f", {len(problems)} problem(s)")
    return 1 if problems else 0


def split(line):
    """Windows' rule: blanks separate; quotes group; backslashes count only before a quote."""
    args, current, quoted, started, i = [], "", False, False, 0
    while i < len(line):
        char = line[i]
        if char == "\\":
            run = len(line[i:]) - len(line[i:].lstrip("\\"))
            i += run
            if i < len(line) and line[i] == '"':
                current += "\\" * (run // 2)
                if run % 2:
                    current += '"'
                    i += 1
            else:
                current += "\\" * run
            started = True
            continue
        if char == '"':
            quoted, started = not quoted, True
        elif char in " \t" and not quoted:
            if started:
                args.append(current)
            current, started = "", False
        else:
            current, started = current + char, True
        i += 1
    if started:
        args.append(current)
    return args


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "check":
            return check(argv[2])
        if len(argv) == 4 and argv[1] == "get":
            value = lookup(load(argv[2]), argv[3])
            if isinstance(value, (dict, list)) or value is None:
                raise ManifestError(f"{argv[3]} is no scalar")
            print(value)
            return 0
        if len(argv) == 3 and argv[1] == "split":
            sys.stdout.write("".join(arg + "\0" for arg in split(argv[2])))
            return 0
    except ManifestError as error:
        print(f"winget_manifest: {error}", file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
