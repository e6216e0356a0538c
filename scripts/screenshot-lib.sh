# Shared steps of the screenshot scripts (sourced, not run).

# Stops unless the harness program and xvfb-run are there.
require_harness() {
    local program=$1
    if [ ! -x "$program" ]; then
        echo "error: $program not found; build the target $(basename "$program") first" >&2
        exit 1
    fi
    if ! command -v xvfb-run >/dev/null 2>&1; then
        echo "error: xvfb-run not found (Debian packages xvfb and xauth)" >&2
        exit 1
    fi
}

# Runs the harness under a virtual X server; the harness uses a configuration folder of its own,
# so the user's settings are neither read nor changed.
run_harness() {
    (unset QT_QPA_PLATFORM && xvfb-run -a -s "-screen 0 1600x1000x24" timeout 60 "$@")
}

# Copies the named pictures from the shots folder into docs/, stopping at one not written.
copy_shots() {
    local shots=$1 docs=$2
    shift 2
    mkdir -p "$docs"
    local name
    for name in "$@"; do
        if [ ! -s "$shots/$name.png" ]; then
            echo "error: $name.png was not written" >&2
            exit 1
        fi
        cp "$shots/$name.png" "$docs/$name.png"
    done
}
