# End to end: the viewer script under a private Xvfb, fed by utilctl trace-demo from two threads, by another process
# and by a client that sends half a line and stays silent. Prints "every check held" when every check did.
# Usage: tclsh viewer_end_to_end.tcl VIEWER_TCL UTILCTL ARTIFACT_DIR
lassign $argv viewerScript utilctl artifacts
set failures 0
proc check {what condition} {
    if {![uplevel 1 [list expr $condition]]} {
        puts "FAILED: $what"
        incr ::failures
    }
}
# Runs the event loop until condition holds (1) or 10 s passed (0).
proc eventually {condition} {
    for {set tries 0} {$tries < 100 && ![uplevel 1 [list expr $condition]]} {incr tries} {
        after 100 {set ::tick 1}
        vwait ::tick
    }
    return [expr {$tries < 100}]
}

# Tk needs the display before it loads: a private Xvfb at a free display number.
set xvfb [open "|Xvfb -displayfd 1 -nolisten tcp -terminate -screen 0 1700x800x24 2>/dev/null" r]
set env(DISPLAY) ":[gets $xvfb]"
package require Tk
cd [set directory [exec mktemp -d]]
set port [lindex [fconfigure [set free [socket -server {} -myaddr localhost 0]] -sockname] 2]
close $free

# The demo prints its pid, traces when a line arrives on its input, then reports.
set demo [open "|[list $utilctl trace-demo --port $port --threads 2 --wait]" r+]
regexp {^pid (\d+)$} [gets $demo] -> pid
set argv [list utilctl $pid $port]
source $viewerScript
check {title} {[wm title .] eq "Trace Viewer - utilctl"}
.buttons.save invoke
check {Save without thread windows writes nothing} {[glob -nocomplain *] eq {}}

puts [set foreign [socket localhost $port]] "[expr {$pid + 1}] thread-7 00:00:00.000 0  Entering elsewhere"
close $foreign
set half [socket localhost $port]
fconfigure $half -buffering none
puts -nonewline $half "$pid thread-9 00:00:00.000 0  Entering hal"
update
puts $demo ""
flush $demo
check {the demo's report and exit status} {[gets $demo] eq "traced 2 threads to port $port" && ![catch {close $demo}]}
check {two thread windows with all their lines, past a half line} [eventually {
    [llength [set windows [lsearch -all -inline [winfo children .] .process-$pid-thread-*]]] == 2 &&
    [llength [lsearch -all [lmap window $windows {$window.log get 1.0 end-1c}] "*Leaving demoOuter*"]] == 2}]
check {another process's line is ignored} {[lsearch [winfo children .] .process-[expr {$pid + 1}]-*] < 0}
wm geometry [lindex $windows 0] +0+90
wm geometry [lindex $windows 1] +850+90
raise .
.buttons.save invoke
set saved [lmap file [glob -nocomplain utilctl.process-$pid-thread-*.log] {
    regsub -all -line {^\d\d:\d\d:\d\d\.\d\d\d } [read [set channel [open $file]]][close $channel] ""}]
set expected [lmap thread {1 2} {string cat "0  Entering demoOuter\n1    Entering demoMiddle\n2      Entering demoLeaf\n" \
    "3        demoLeaf: thread $thread working\n2      Leaving demoLeaf, return done\n1    Leaving demoMiddle\n" \
    "0  Leaving demoOuter\n\n"}]
check {Save writes the exact lines} {[lsort $saved] eq $expected}
update
file mkdir $artifacts
check {screenshot} {![catch {exec timeout 20 import -window root [file join $artifacts trace_viewer.png]}]}

check {half a line is not shown} {![winfo exists .process-$pid-thread-9]}
puts $half "fline"
check {the finished line is shown whole} [eventually {[winfo exists .process-$pid-thread-9] &&
    [.process-$pid-thread-9.log get 1.0 end-1c] eq "00:00:00.000 0  Entering halfline\n"}]
close $half
cd /
file delete -force $directory
puts [expr {$failures == 0 ? "every check held" : "$failures checks failed"}]
# Xvfb ends before the test does, so that the next test is not given its display number (Tk then reports it lost).
destroy .
exec kill [pid $xvfb]
catch {close $xvfb}
exit
