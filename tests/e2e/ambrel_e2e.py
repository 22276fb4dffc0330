#!/usr/bin/env python3
"""End-to-end scenarios of the monitor under Wine.

    ambrel_e2e.py --build BUILD_DIR SCENARIO [--keep]
    ambrel_e2e.py --build BUILD_DIR --list     (each scenario with its usual seconds)
"""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from e2e_harness import OWN_DISPLAY, SCENARIOS, SECONDS, ScenarioFailed, Session  # noqa: E402
import scenarios_launcher  # noqa: E402,F401  (registers the scenarios)
import scenarios_maintenance  # noqa: E402,F401
import scenarios_monitor  # noqa: E402,F401
import scenarios_packaging  # noqa: E402,F401
import scenarios_uninstaller  # noqa: E402,F401
import scenarios_installer  # noqa: E402,F401
import scenarios_hostile  # noqa: E402,F401
import scenarios_today  # noqa: E402,F401


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("scenario", nargs="?")
    args = parser.parse_args()
    if args.list:
        print("\n".join(f"{name} {SECONDS[name]}" for name in sorted(SCENARIOS)))
        return 0
    function = SCENARIOS[args.scenario]
    session = Session(args.build, args.scenario, keep=args.keep, own_display=args.scenario in OWN_DISPLAY)
    try:
        function(session)
    except ScenarioFailed as failure:
        print(f"FAILED {args.scenario}: {failure}")
        return 1
    finally:
        session.close()
    print(f"passed {args.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
