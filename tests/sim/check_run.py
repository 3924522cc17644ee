"""What the simulator's check scripts share: their command line
(SCRIPT [RUNNER] SIMULATOR LAST_ARGUMENT) and their closing lines."""
import sys


def closing(failures, passed, failed):
    """Prints each failure and the count line CTest's log shows; the exit status."""
    for failure in failures:
        print(failure)
    print(f"{passed} passed, {failed} failed")
    return 1 if failures else 0


def run(main, doc):
    """main(runner, simulator, last): RUNNER runs the simulator where it cannot
    run by itself (Wine for a Windows cross-build)."""
    if len(sys.argv) not in (3, 4):
        print(doc, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1:-2], sys.argv[-2], sys.argv[-1]))
