#!/usr/bin/env bash
# Runs a command on an X display of its own: a private Xvfb of the given
# size, gone again when the command ends.
#   tests/harness/xvfb.sh WxH COMMAND ARGS...
# The command finds the server's process id in XVFB_PID. xsession.py, which
# the tests that start servers of their own share, says why each flag is there.
exec python3 "$(dirname "$0")/xsession.py" "$@"
