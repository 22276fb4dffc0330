"""Damaged and locked list files and an option that is no number, each at a
real end of the session: the list runs as far as it soundly can."""

import random
import subprocess
import time

from e2e_harness import check, scenario, trace_command
from scenarios_maintenance import expect
from scenarios_monitor import LOG, TRACE, exited, logged_options

SDD = "C:\\Ambrel\\Data\\ambrel.sdd"


def end_with_list(s, lines, **options):
    logged_options(s, ShutdownOption=3, QueryClose="F", **options)
    s.commands(lines)
    monitor = s.start_monitor()
    s.wait_window()
    return monitor


@scenario
def a_settings_file_another_program_holds_still_runs_and_logs_the_counters_once(s):
    monitor = end_with_list(s, [trace_command("first"), trace_command("second")])
    before = s.dump()
    holder = subprocess.Popen(s.wine("C:\\Ambrel\\e2e_tool.exe", "hold-file", SDD, "60"), env=s.env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    s.monitors.append(holder)
    check(holder.stdout.readline().strip() == "held", "the settings file could not be held")
    check(s.end_session() == 0, "the end of the session failed")
    check(exited(monitor), "the monitor outlived the session")
    expect(s.lines(TRACE), ["first", "second"], "what ran")
    log = s.read(LOG)
    check(log.count("cannot be recorded") == 1, f"the counters' failure is logged {log.count('cannot be recorded')} times")
    holder.kill()
    holder.wait()
    expect(s.dump(), before, "the counters (nothing could be written)")


@scenario
def a_strings_file_of_random_bytes_runs_nothing_and_is_reported_once(s):
    monitor = end_with_list(s, [trace_command("a"), trace_command("b"), trace_command("c")])
    strings = s.program_dir / "Data" / "ambrel.sds"
    good = strings.read_bytes()
    noise = random.Random(7)
    # The header stays; each record's five texts are counted right but hold random bytes.
    damaged = bytearray(good[:18])
    for _ in range(3):
        for _ in range(5):
            text = bytes(noise.randrange(256) for _ in range(noise.randrange(1, 40)))
            damaged += len(text).to_bytes(2, "little") + text
    strings.write_bytes(bytes(damaged))
    ending = s.end_session_async()
    shown = 0
    deadline = time.time() + 90
    while ending.poll() is None and time.time() < deadline:
        # Answered until the end goes on (a click can reach a box before it listens).
        shown += s.tool("box", "Input past end of file", "OK", 1000, check_rc=False)[0] == 0
    check(ending.poll() == 0, "the end of the session failed")
    check(shown > 0, "no damage report")
    check(exited(monitor), "the monitor outlived the session")
    expect(s.lines(TRACE), [], "what ran")
    log = s.read(LOG)
    check(log.count("Input past end of file") == 1, f"damage reported {log.count('Input past end of file')} times")
    check("Couldn't execute" not in log, "garbage was run")


@scenario
def a_time_out_that_is_no_number_lets_a_two_second_command_finish(s):
    sleeper = "C:\\Ambrel\\e2e_tool.exe sleep 2000"
    monitor = end_with_list(s, [sleeper, trace_command("after")], TimeOutPrograms="T", TimeOutProgramMinutes="abc")
    check(s.end_session() == 0, "the end of the session failed")
    check(exited(monitor), "the monitor outlived the session")
    log = s.read(LOG)
    check(f"Executed {sleeper}" in log and "timed out" not in log, f"the sleeper did not finish: {log[-400:]!r}")
    expect(s.lines(TRACE), ["after"], "what ran after it")


@scenario(seconds=10)
def a_list_anyone_could_change_runs_nothing_at_a_real_session_end(s):
    """The real security adapter under Wine, which keeps what a descriptor
    grants Everyone in the file's mode: the all-users pair as the programs
    make it runs; once Everyone may write its strings, the monitor refuses it
    (one box, one log line naming the file and Everyone) and runs nothing."""
    monitor = end_with_list(s, [trace_command("trusted")])
    check(s.end_session() == 0, "the first session end failed")
    s.wait_for(lambda: s.lines(TRACE) == ["trusted"], 60, "the trusted list's run")
    exited(monitor)

    sds = "C:\\Ambrel\\Data\\ambrel.sds"
    s.tool("set-sddl", sds, "D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;WD)")
    monitor = s.start_monitor()
    s.wait_window()
    rc, out = s.tool("box", "is not used", "OK", 60000, check_rc=False)
    check(rc == 0, f"no box about the list: {out}")
    check("it can be changed by Everyone" in out and sds in out, f"the box {out!r}")
    s.end_session()
    exited(monitor)
    check(s.lines(TRACE) == ["trusted"], f"a refused list ran: {s.lines(TRACE)}")
    log = s.read(LOG)
    check(log.count("is not used") == 1, f"the refusal is not logged once: {log[-600:]!r}")
