#!/usr/bin/env python3
"""Runs the build machine's programs for the Windows tests under wine (tests/support/HostRun.h).

    host-runner.py FOLDER

A test writes FOLDER/<id>.job (JSON: program, args, input in base64); the runner runs it here,
on the Linux side, and writes FOLDER/<id>.done (ran, exit, out and err in base64), each file
renamed into place when whole. Only the programs named below are run. It runs until it is
ended; the Windows pass starts it in a private folder and ends it with the pass.
"""
import base64
import json
import os
import subprocess
import sys
import threading
import time

PROGRAMS = {"python3": "/usr/bin/python3", "/usr/bin/python3": "/usr/bin/python3",
            "pdftotext": "/usr/bin/pdftotext", "pdfinfo": "/usr/bin/pdfinfo",
            "pdfimages": "/usr/bin/pdfimages", "pdftoppm": "/usr/bin/pdftoppm"}


def run(folder, name):
    base = os.path.join(folder, name[: -len(".job")])
    answer = {"ran": False, "exit": -1, "out": "", "err": ""}
    try:
        with open(base + ".run", encoding="utf-8") as f:
            job = json.load(f)
        program = PROGRAMS.get(job["program"])
        if program is None:
            raise ValueError("not a program the tests may run here: " + job["program"])
        done = subprocess.run([program] + job["args"], input=base64.b64decode(job["input"]),
                              capture_output=True, timeout=300, check=False)
        answer = {"ran": True, "exit": done.returncode, "out": base64.b64encode(done.stdout).decode(),
                  "err": base64.b64encode(done.stderr).decode()}
    except Exception as e:  # the test sees the failure as a program that did not run
        answer["err"] = base64.b64encode(str(e).encode()).decode()
    with open(base + ".tmpdone", "w", encoding="utf-8") as f:
        json.dump(answer, f)
    os.rename(base + ".tmpdone", base + ".done")
    os.remove(base + ".run")


def main():
    folder = sys.argv[1]
    while True:
        for name in os.listdir(folder):
            if name.endswith(".job"):
                path = os.path.join(folder, name)
                os.rename(path, path[: -len(".job")] + ".run")
                threading.Thread(target=run, args=(folder, name), daemon=True).start()
        time.sleep(0.02)


if __name__ == "__main__":
    main()
