#!/bin/sh
# The package's strip (scripts/package): as Debian strips its own programs, without the compiler's
# .comment and .note sections, which nothing reads at run time.
exec strip --remove-section=.comment --remove-section=.note "$@"
