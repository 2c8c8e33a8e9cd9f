# What a Linux user would write instead of Kestrix to number a VB6 module: every statement
# line inside a procedure gets a line number, a head block goes after each procedure's header
# and a handler block before its End. No label, Select Case or conditional-compilation rules:
# just the shape of the work, as a yardstick for bench/run.
#   awk -f number_lines.awk IN.bas > OUT.bas
BEGIN { n = 0; inside = 0; continued = 0 }
{
  line = $0
  sub(/\r$/, "", line)
  code = line
  sub(/^[ \t]+/, "", code)
  if (!inside) {
    print line "\r"
    if (!continued && code ~ /^((Public|Private|Friend|Static) +)*(Sub|Function|Property +(Get|Let|Set)) /) {
      inside = 1
      proc = code
      sub(/\(.*/, "", proc)
      sub(/.* /, "", proc)
    }
    if (inside && line !~ / _$/) {
      print "    Const PROCNAME_ = \"" proc "\"\r"
      print "    On Error GoTo Kestrix_Handler\r"
    }
    continued = line ~ / _$/
    next
  }
  if (code ~ /^End +(Sub|Function|Property)/) {
    print "    Exit Sub\r"
    print "Kestrix_Handler:\r"
    print "    LogError MODULENAME_, PROCNAME_, Erl\r"
    print "    Resume Next\r"
    print line "\r"
    inside = 0
    next
  }
  if (continued || code == "" || code ~ /^'/ || code ~ /^[A-Za-z_0-9]+:$/) {
    print line "\r"
  } else {
    n += 10
    print n " " line "\r"
  }
  continued = line ~ / _$/
}
