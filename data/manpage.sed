# help2man quotes a heading from --help as one argument without escaping the double quotes
# inside it, which ends the argument early; write them as \(dq.
/^\.S[HS] "/ {
    s/"/\\(dq/g
    s/^\(\.S[HS]\) \\(dq/\1 "/
    s/\\(dq$/"/
}
