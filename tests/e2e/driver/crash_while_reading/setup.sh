# The xob file is a pipe that nobody feeds: kyvld blocks reading it. A helper
# opens the pipe's writing end, waits until the kyvld process holds the pipe
# too, and sends that process the invalid-memory-access signal. The helper
# gives up after a few seconds; closing the pipe then ends the run normally,
# and the case fails on its status instead of hanging.
mkfifo stalled.xob
timeout 20 bash -c '
    exec 3>stalled.xob
    for attempt in $(seq 200); do
        for fd in /proc/[0-9]*/fd/*; do
            pid=${fd#/proc/}; pid=${pid%%/*}
            [ "$pid" = "$BASHPID" ] && continue
            if [ "$fd" -ef stalled.xob ]; then kill -SEGV "$pid"; exit 0; fi
        done 2>/dev/null
        sleep 0.05
    done
' >/dev/null 2>&1 &
