# The header rows come from a pipe, as with a shell's process substitution.
mkfifo header.hdr
(timeout 20 sh -c "printf 'Project=alpha\n#Build\n' >header.hdr" >/dev/null 2>&1 &)
