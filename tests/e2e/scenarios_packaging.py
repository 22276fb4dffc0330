"""Scenarios of what ships beside the programs: the Group Policy template."""

import re
import subprocess
import xml.etree.ElementTree as ET
from pathlib import Path

from e2e_harness import check, scenario

PACKAGING = Path(__file__).resolve().parents[2] / "packaging"
NS = "{http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions}"
KEY = "Software\\Policies\\Ambrel 2.0\\Options"


def one_of(*values):
    return lambda v: v in values


def text_flag(v):
    return "true" if v in ("T", "t") else "false"


def number_flag(v):
    return "true" if v != 0 else "false"


# Value name: registry type, the values the options reader accepts, the
# default it falls back to, and how the record reads a stored value (as
# e2e_tool read-options prints it).
OPTIONS = {
    "AllUsersUseSame": ("REG_SZ", one_of("T", "F"), None, text_flag),
    "QueryClose": ("REG_SZ", one_of("T", "F"), "T", text_flag),
    "ShutdownOption": ("REG_DWORD", one_of(1, 2, 3), 1, str),
    "ShutDownDialogTitle": ("REG_SZ", lambda v: v != "", "Shut Down Windows", str),
    "ForceLogoff": ("REG_DWORD", one_of(-1, 0), 0, number_flag),
    "PowerOff": ("REG_DWORD", one_of(-1, 0), 0, number_flag),
    "AllowUsersToDisable": ("REG_DWORD", one_of(-1, 0), -1, number_flag),
    "WinShutdownType": ("REG_SZ", one_of("1", "2", "3", "4", "B", "A"), "1", str),
    "RunCommands": ("REG_SZ", one_of("C", "S", "B"), "C", str),
    "RunMinimized": ("REG_SZ", one_of("T", "F", "S"), "S", str),
    "ShutWindowsOnTime": ("REG_SZ", one_of("T", "F"), "F", text_flag),
    "ShutWindowsTime": ("REG_SZ", lambda v: re.fullmatch(r"\d{1,2}:\d\d(:\d\d)?( ?[AP]M)?", v) is not None,
                        "12:00 AM", str),
    "TimeOutPrograms": ("REG_SZ", one_of("T", "F"), "F", text_flag),
    "TimeOutProgramMinutes": ("REG_SZ", lambda v: v.isdigit() and 1 <= int(v) <= 1440, "120", str),
    "Logging": ("REG_SZ", one_of("1", " 1", "2", " 2", "3", " 3"), " 1", lambda v: str(int(v))),
    "LogDir": ("REG_SZ", lambda v: re.match(r"[A-Za-z]:\\", v) is not None, "C:\\Ambrel\\Data\\ambrel.log", str),
}
PROPERTY = {"ShutDownDialogTitle": "ShutdownDialogTitle"}
# What the policies' free fields are filled with.
SAMPLES = {"ShutDownDialogTitle": "Windows beenden", "ShutWindowsTime": "11:45 PM",
           "TimeOutProgramMinutes": "45", "LogDir": "C:\\Logs\\shutdown.log"}
PRESENTED_AS = {"enum": "dropdownList", "text": "textBox", "decimal": "decimalTextBox"}


def stored(value_element):
    """The (type, value) that an enabledValue/disabledValue/item value writes."""
    child = value_element[0]
    if child.tag == NS + "string":
        return "REG_SZ", child.text or ""
    number = int(child.get("value"))
    if not 0 <= number < 2 ** 32:
        return "bad decimal", child.get("value")
    return "REG_DWORD", number - 2 ** 32 if number >= 2 ** 31 else number


def writes(policy):
    """Every value the policy can write: (value name, [(type, value), ...], element or None)."""
    out = []
    if policy.get("valueName"):
        on, off = policy.find(NS + "enabledValue"), policy.find(NS + "disabledValue")
        # Without both, the editor writes the DWORDs 1 and 0.
        choices = [stored(on), stored(off)] if on is not None and off is not None else [("REG_DWORD", 1)]
        out.append((policy.get("valueName"), choices, None))
    for element in policy.findall(f"{NS}elements/*"):
        kind = element.tag.replace(NS, "")
        if kind == "enum":
            choices = [stored(item.find(NS + "value")) for item in element]
        elif kind == "text":
            choices = [("REG_SZ", SAMPLES.get(element.get("valueName"), "x"))]
        elif kind == "decimal":
            low, high = int(element.get("minValue", "0")), int(element.get("maxValue", "9999"))
            as_text = element.get("storeAsText") == "true"
            choices = [("REG_SZ", str(n)) if as_text else ("REG_DWORD", n) for n in (low, high)]
        else:
            choices = [("unsupported " + kind, None)]
        out.append((element.get("valueName"), choices, element))
    return out


def template_problems(admx, adml):
    problems = []
    need = lambda condition, message: condition or problems.append(message)  # noqa: E731
    need(admx.tag == NS + "policyDefinitions", f"ADMX root {admx.tag}")
    need(adml.tag == NS + "policyDefinitionResources", f"ADML root {adml.tag}")
    for root in (admx, adml):
        need(re.fullmatch(r"\d+\.\d+", root.get("revision", "")) and root.get("schemaVersion") == "1.0",
             f"{root.tag}: revision {root.get('revision')} schemaVersion {root.get('schemaVersion')}")
    target = admx.find(f"{NS}policyNamespaces/{NS}target")
    need(target is not None and target.get("prefix") and target.get("namespace"), "no target namespace")
    required = admx.find(NS + "resources").get("minRequiredRevision", "")
    need(re.fullmatch(r"\d+\.\d+", required) and
         tuple(map(int, required.split("."))) <= tuple(map(int, adml.get("revision", "0.0").split("."))),
         f"minRequiredRevision {required!r} against the ADML's {adml.get('revision')}")

    strings = {s.get("id") for s in adml.find(f"{NS}resources/{NS}stringTable")}
    presentations = {p.get("id"): p for p in adml.find(f"{NS}resources/{NS}presentationTable")}
    for element in admx.iter():
        for value in element.attrib.values():
            for table, name in re.findall(r"\$\(([^.)]*)\.([^)]*)\)", value):
                known = strings if table == "string" else presentations if table == "presentation" else ()
                need(name in known, f"$({table}.{name}) is not in the ADML")
    categories = {c.get("name") for c in admx.iter(NS + "category")}
    supported = {d.get("name") for d in admx.iter(NS + "definition")}
    for ref in admx.iter(NS + "parentCategory"):
        need(ref.get("ref") in categories, f"category {ref.get('ref')} is not defined")

    offered = {}
    for policy in admx.iter(NS + "policy"):
        name = policy.get("name")
        need(policy.get("class") == "Machine", f"{name}: class {policy.get('class')}")
        need(policy.get("key") == KEY, f"{name}: key {policy.get('key')}")
        need(policy.find(NS + "parentCategory") is not None, f"{name}: no category")
        support = policy.find(NS + "supportedOn")
        need(support is not None and support.get("ref") in supported, f"{name}: supportedOn is not defined")
        elements = [w[2] for w in writes(policy) if w[2] is not None]
        if elements:
            ref = re.fullmatch(r"\$\(presentation\.(.*)\)", policy.get("presentation", ""))
            shown = presentations.get(ref.group(1)) if ref else None
            need(shown is not None, f"{name}: no presentation")
            controls = {c.get("refId"): c for c in shown} if shown is not None else {}
            need(set(controls) == {e.get("id") for e in elements},
                 f"{name}: presented {sorted(controls)} for elements {[e.get('id') for e in elements]}")
        for value_name, choices, element in writes(policy):
            if value_name in offered:
                problems.append(f"{value_name} is written by {offered[value_name]} and {name}")
            offered[value_name] = name
            if value_name not in OPTIONS:
                problems.append(f"{name}: {value_name} is no option")
                continue
            kind, accepts, default, read = OPTIONS[value_name]
            if element is not None:
                need(element.get("key") in (None, KEY), f"{value_name}: key {element.get('key')}")
            for choice in choices:
                need(choice[0] == kind and accepts(choice[1]), f"{name}: {value_name} can be {choice}, not a {kind} "
                     "the reader accepts")
            control = controls.get(element.get("id")) if element is not None else None
            if control is None:
                continue
            tag = element.tag.replace(NS, "")
            need(control.tag == NS + PRESENTED_AS.get(tag, "?"), f"{value_name}: {tag} shown as {control.tag}")
            # What the editor offers first is the program's own default.
            if tag == "enum":
                index = int(control.get("defaultItem", "0"))
                need(index < len(choices) and read(choices[index][1]) == read(default),
                     f"{value_name}: default item {index}")
            elif tag == "decimal":
                need(control.get("defaultValue") == default, f"{value_name}: default {control.get('defaultValue')}")
            elif control.findtext(NS + "defaultValue") is not None:
                need(control.findtext(NS + "defaultValue") == default, f"{value_name}: default text")
    for option in OPTIONS:
        need(option in offered, f"no policy sets {option}")
    return problems


def chosen_values(admx):
    """One set of choices per policy, each unlike the program's default."""
    values = {}
    for policy in admx.iter(NS + "policy"):
        for value_name, choices, element in writes(policy):
            _, _, default, read = OPTIONS[value_name]
            if element is None:  # on/off: elements are written only when on
                on, off = choices
                enable = policy.find(NS + "elements") is not None or default is None or read(on[1]) != read(default)
                values[value_name] = on if enable else off
            elif element.tag == NS + "enum":
                values[value_name] = [c for c in choices if read(c[1]) != read(default)][-1]
            else:
                sample = SAMPLES[value_name]
                if element.tag == NS + "decimal":
                    check(int(choices[0][1]) <= int(sample) <= int(choices[1][1]), f"{value_name} {sample} range")
                values[value_name] = (choices[0][0], sample if choices[0][0] == "REG_SZ" else int(sample))
    return values


def reg_file(values):
    lines = ["REGEDIT4", "", f"[HKEY_LOCAL_MACHINE\\{KEY}]"]
    for name, (kind, value) in values.items():
        if kind == "REG_DWORD":
            lines.append(f'"{name}"=dword:{value & 0xFFFFFFFF:08x}')
        else:
            lines.append(f'"{name}"="' + value.replace("\\", "\\\\").replace('"', '\\"') + '"')
    return "\r\n".join(lines + ["", ""])


@scenario
def the_policy_template_offers_every_all_users_option_as_the_monitor_reads_it(s):
    admx = ET.parse(PACKAGING / "ambrel.admx").getroot()
    adml = ET.parse(PACKAGING / "en-US" / "ambrel.adml").getroot()
    problems = template_problems(admx, adml)
    check(not problems, "the template:\n  " + "\n  ".join(problems))

    values = chosen_values(admx)
    for name, (_, value) in values.items():
        _, _, default, read = OPTIONS[name]
        check(default is None or read(value) != read(default), f"{name}: the choice {value!r} reads as the default")
    (s.drive / "policy.reg").write_text(reg_file(values), newline="")
    # Wine's reg is a 32-bit program once Wine's 32-bit half is installed:
    # the monitor reads the 64-bit view.
    imported = subprocess.run(["wine", "reg", "import", "C:\\policy.reg", "/reg:64"], env=s.env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
    check(imported.returncode == 0, f"reg import failed: {imported.stdout} {imported.stderr}")

    _, out = s.tool("read-options")
    record = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    wrong = [f"{name}: set {value!r}, read {record.get(PROPERTY.get(name, name))!r}"
             for name, (_, value) in values.items()
             if record.get(PROPERTY.get(name, name)) != OPTIONS[name][3](value)]
    check(not wrong, "the options reader does not see the policies:\n  " + "\n  ".join(wrong))
