#!/bin/sh
# Stands in for the desktop's handler in test prefixes: records what the shell opens.
printf '%s\n' "$*" >> "${TALLISK_OPEN_LOG:-/dev/null}"
