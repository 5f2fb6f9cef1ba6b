"""version_record.py EXE VERSION: checks the Windows version record that EXE carries."""
import sys

import pefile

exe, version = sys.argv[1], sys.argv[2]
pe = pefile.PE(exe)
fixed = pe.VS_FIXEDFILEINFO[0]
major, minor = (int(part) for part in version.split("."))
failures = []
for name in ("FileVersionMS", "ProductVersionMS"):
    if getattr(fixed, name) != (major << 16 | minor):
        failures.append(f"{name} is {getattr(fixed, name):#x}")
tables = [t for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for t in info.StringTable]
strings = {k.decode(): v.decode() for t in tables for k, v in t.entries.items()}
expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "Tessaly",
            "FileDescription": "Tessaly", "InternalName": "Tessaly"}
failures += [f"{k} is {strings.get(k)!r}" for k, v in expected.items() if strings.get(k) != v]
if [t.LangID.lower() for t in tables] != [b"080404b0"]:
    failures.append(f"string tables {[t.LangID for t in tables]}, not Chinese (PRC) in UTF-16")
translations = [v for info in pe.FileInfo[0] if info.Key == b"VarFileInfo" for v in info.Var]
if [v.entry.get(b"Translation") for v in translations] != ["0x0804 0x04b0"]:
    failures.append("Translation is not 0x0804, 1200")
print("\n".join(failures) or f"{exe}: version record {version}, Chinese (PRC), UTF-16")
sys.exit(1 if failures else 0)
