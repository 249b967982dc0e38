#!/usr/bin/env python3
"""Runs every tarnik-cli command on the simulated programmer twice, with
--json and without, and checks the records against the installed JSON Schema
with python3-jsonschema: the JSON output and the log line of each run are
valid, agree with each other and with the exit code, and the text run prints
no JSON.

usage: records_schema_test.py TARNIK_CLI DATA_DIR
"""
import json
import os
import random
import subprocess
import sys
import tempfile

import jsonschema

CLI, DATA = sys.argv[1], sys.argv[2]
SCHEMA = json.load(open(os.path.join(DATA, "tarnik-record.schema.json")))
jsonschema.Draft202012Validator.check_schema(SCHEMA)
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA)
RESULT_OF_EXIT = {0: "passed", 1: "failed", 2: "refused", 3: "stopped"}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(args, state_home, stdin=""):
    env = dict(os.environ, XDG_STATE_HOME=state_home)
    return subprocess.run([CLI] + args, capture_output=True, text=True, env=env, input=stdin,
                          timeout=120)


def log_lines(state_home):
    path = os.path.join(state_home, "tarnik", "log.jsonl")
    if not os.path.exists(path):
        return []
    return [json.loads(line) for line in open(path)]


def valid(record, what):
    errors = [e.message for e in VALIDATOR.iter_errors(record)]
    check(not errors, f"{what}: {errors} in {record}")


def without_time(record):
    return {k: v for k, v in record.items() if k != "time"}


def both_ways(name, args, parts=1, stdin=""):
    with tempfile.TemporaryDirectory() as json_home, tempfile.TemporaryDirectory() as text_home:
        as_json = run(["--json"] + args, json_home, stdin)
        as_text = run(args, text_home, stdin)
        what = f"{name} ({' '.join(args)})"
        check(as_json.returncode == as_text.returncode,
              f"{what}: exit {as_json.returncode} with --json, {as_text.returncode} without")
        out = [json.loads(line) for line in as_json.stdout.splitlines()]
        check(all(not line.startswith("{") for line in as_text.stdout.splitlines()),
              f"{what}: JSON in the text output")
        for record in out:
            valid(record, what + " --json")
        logged = log_lines(text_home)
        check(len(logged) == parts, f"{what}: {len(logged)} log lines, not {parts}")
        check(len(out) == parts, f"{what}: {len(out)} JSON lines, not {parts}")
        for record in logged:
            valid(record, what + " log")
        check([without_time(r) for r in out] == [without_time(r) for r in logged],
              f"{what}: the JSON output and the text run's log differ")
        check(log_lines(json_home) == out, f"{what}: the --json run logged other records")
        if logged:
            last = logged[-1]
            check(last.get("exit_code") == as_text.returncode,
                  f"{what}: exit code {last.get('exit_code')} recorded, {as_text.returncode} returned")
            if parts == 1:
                check(last["result"] == RESULT_OF_EXIT[as_text.returncode],
                      f"{what}: result {last['result']} for exit {as_text.returncode}")
            # A check's verdict is the status line the text run showed.
            if last["result"] in ("failed",) and "fault" in last:
                check(last["fault"] in as_text.stdout, f"{what}: fault {last['fault']!r} not shown")
        return as_text, logged


def main():
    work = tempfile.mkdtemp()
    rng = random.Random(26)
    image = os.path.join(work, "img.bin")
    open(image, "wb").write(bytes(rng.randrange(256) for _ in range(256)))
    hexfile = os.path.join(work, "img.hex")
    bad = os.path.join(work, "bad.hex")
    open(bad, "w").write(":10000000ZZ\n")
    state = os.path.join(work, "part.txt")
    sim = ["--simulate", "-d", "82S135"]
    cases = [
        ("probe", ["--simulate", "probe"]),
        ("probe without programmer", ["--simulate", "--sim-fault", "devices=0", "probe"]),
        ("probe no reply", ["--simulate", "--sim-fault", "no-reply", "probe"]),
        ("update", ["--simulate", "--sim-firmware", "1.06", "--yes", "update",
                    os.path.join(DATA, "Update-1.07.Bin")]),
        ("blank", sim + ["blank"]),
        ("read", sim + ["read", hexfile]),
        ("verify blank part", sim + ["verify", image]),
        ("compare", sim + ["compare", image]),
        ("program", sim + ["program", image]),
        ("program kept part", ["--simulate=" + state, "-d", "82S135", "program", image]),
        ("verify kept part", ["--simulate=" + state, "-d", "82S135", "verify", image]),
        ("blank kept part", ["--simulate=" + state, "-d", "82S135", "blank"]),
        ("checksum", sim + ["checksum", image]),
        ("convert", sim + ["convert", image, os.path.join(work, "out.s19")]),
        ("bad file", sim + ["verify", bad]),
        ("missing file", sim + ["program", os.path.join(work, "none.bin")]),
        ("read to a folder", sim + ["read", os.path.join(work, "no", "such", "folder.bin")]),
    ]
    for fault in ["no-reply=3", "no-reply=200", "unplug=40", "unplug=900", "short-write=5"]:
        for command in (["blank"], ["verify", image], ["read", os.path.join(work, "r.bin")],
                        ["program", image], ["compare", image]):
            cases.append((f"{command[0]} {fault}", sim + ["--sim-fault", fault] + command))
    for name, args in cases:
        both_ways(name, args)

    # A run of five parts, the third already burnt where the image has a 0.
    batch = sim + ["--sim-batch", "blank,blank,used=10:ff", "--count", "5", "--no-wait",
                   "program", image]
    image_bytes = open(image, "rb").read()
    check(image_bytes[0x10] != 0xFF, "the image must want a 0 at 0x10")
    as_text, logged = both_ways("run of five", batch, parts=5)
    check("4 Passed, 1 Failed: Part 3" in as_text.stdout, "run of five: no tally\n" + as_text.stdout[-300:])
    check("Part 3 of 5 Failed\n" in as_text.stdout and "Press Enter" not in as_text.stdout,
          "run of five: --no-wait asks for Enter")
    check(as_text.returncode == 1, f"run of five: exit {as_text.returncode}")
    check([r["result"] for r in logged] == ["passed", "passed", "failed", "passed", "passed"],
          f"run of five: {[r['result'] for r in logged]}")
    check([r.get("part_number") for r in logged] == [1, 2, 3, 4, 5], "run of five: part numbers")
    check("part" not in logged[2], "run of five: the part that could not take the image was burnt")

    # Waiting for Enter: two parts given, the third never comes.
    as_text, logged = both_ways("run waiting", sim + ["--count", "3", "program", image], parts=2,
                                stdin="\n")
    check("Part 1 of 3 Passed: Put In the Next Part and Press Enter" in as_text.stdout,
          "run waiting: no prompt")
    check("2 Passed, 0 Failed" in as_text.stdout, "run waiting: tally of the parts done")

    # devices lists the types, one JSON object a line.
    with tempfile.TemporaryDirectory() as home:
        devices = run(["--json", "devices"], home)
        lines = [json.loads(line) for line in devices.stdout.splitlines()]
        check(len(lines) == 27, f"devices: {len(lines)} lines")
        for line in lines:
            valid(line, "devices")
        # --no-log leaves no log; a log that cannot be written is said once.
        quiet = run(["--no-log"] + sim + ["blank"], home)
        check(quiet.returncode == 0 and not log_lines(home), "--no-log: a log was written")
    with tempfile.TemporaryDirectory() as home:
        blocker = os.path.join(home, "blocker")
        open(blocker, "w").write("not a folder")
        blocked = run(sim + ["blank"], blocker)
        said = [line for line in blocked.stderr.splitlines() if "log" in line]
        check(blocked.returncode == 0, f"unwritable log: exit {blocked.returncode}")
        check(len(said) == 1, f"unwritable log: {blocked.stderr!r}")
        check("Device is Erased...." in blocked.stdout, "unwritable log: the blank check did not run")

    print(f"{len(cases) + 3} commands checked, {len(failures)} failures")
    return 1 if failures else 0


sys.exit(main())
