# Trace viewer: receives the function-call trace lines of one process over TCP
# on localhost and shows each thread's lines in a window of its own.
# Usage: wish viewer.tcl APP PID PORT

# NSimSun at size 10, named by its Chinese family name.
set font [list "\u65b0\u5b8b\u4f53" 10]
set base .
set app [lindex $argv 0]
set pid [lindex $argv 1]
set port [lindex $argv 2]
set title "Trace Viewer - $app"

proc showAbout {} {
    tk_messageBox -parent . -icon info -type ok -title "About Trace Viewer" -message \
        "Trace Viewer\n\n A tool to display application run-time debug information\n\nOne window per traced thread; Save writes each window to APP.WINDOW.log."
}

proc exitViewer {} {
    exit
}

# Each thread window's text goes to "<app><text widget path>" in the current directory:
# app1 and .process-1200-thread-1404.log give app1.process-1200-thread-1404.log.
proc saveAll {} {
    global threads app
    foreach widget $threads {
        catch {
            set file [open "$app$widget" w]
            if {[catch {puts $file [$widget get 1.0 end-1c]}]} {
                catch {close $file}
            } else {
                close $file
            }
        }
    }
}

proc appendToThread {id text} {
    global pid title font threads
    catch {
        set win .process-$pid-$id
        if {![winfo exists $win]} {
            toplevel $win -borderwidth 0 -relief raised
            label $win.label -text "$title (process-$pid,$id)" -borderwidth 1 -relief raised
            text $win.log -relief sunken -borderwidth 1 -wrap none -height 30 -width 90 \
                -background black -foreground gray -font $font \
                -xscrollcommand [list $win.hscroll set] -yscrollcommand [list $win.vscroll set]
            scrollbar $win.hscroll -orient horizontal -command [list $win.log xview]
            scrollbar $win.vscroll -orient vertical -command [list $win.log yview]
            grid $win.label -row 0 -column 0 -columnspan 2 -padx 1 -pady 1 -sticky nsew
            grid $win.log -row 1 -column 0 -padx 1 -pady 1 -sticky nsew
            grid $win.vscroll -row 1 -column 1 -padx 1 -pady 1 -sticky nsew
            grid $win.hscroll -row 2 -column 0 -padx 1 -pady 1 -sticky nsew
            grid rowconfigure $win 1 -weight 1 -minsize 0
            grid columnconfigure $win 0 -weight 1 -minsize 0
            append threads " $win.log"
            update idletasks
        }
        $win.log insert end $text
        $win.log yview scroll 1 units
    }
}

# "<pid> <thread label> <rest>": the rest, from behind the label and its space,
# goes to the label's window when the pid is ours.
proc analyseLine {line} {
    global pid
    set fields [split $line " \t\n"]
    set linePid [lindex $fields 0]
    set id [lindex $fields 1]
    if {$linePid != $pid} {
        return
    }
    set start [expr {[string first $id $line] + [string length $id] + 1}]
    appendToThread $id "[string range $line $start end]\n"
}

# The channels do not block: every complete line that has arrived is shown, and
# a line still incomplete stays buffered by Tcl (gets < 0, fblocked) until its
# rest arrives, so one silent client never holds up the others or the window.
proc readLine {channel} {
    catch {
        fileevent $channel readable {}
        while {[gets $channel line] >= 0} {
            catch {analyseLine $line}
        }
        if {[eof $channel]} {
            close $channel
            return
        }
        fileevent $channel readable [list readLine $channel]
    }
}

proc acceptConnection {channel address clientPort} {
    if {[catch {
        fconfigure $channel -blocking 0 -buffering line -translation auto
        fileevent $channel readable [list readLine $channel]
    }]} {
        catch {close $channel}
    }
}

proc refreshDisplay {} {
    update idletasks
    after 500 refreshDisplay
}

wm title $base $title
wm geometry $base 200x20+5+5
wm resizable $base 1 1
wm focusmodel $base passive
wm overrideredirect $base 0

menu .menubar -tearoff 0
menu .menubar.file -tearoff 0
.menubar add cascade -label File -underline 0 -menu .menubar.file
.menubar.file add command -label Exit -underline 1 -command exitViewer
.menubar.file add command -label Save -underline 1 -command saveAll
menu .menubar.help -tearoff 0
.menubar add cascade -label Help -underline 0 -menu .menubar.help
.menubar.help add command -label "About..." -underline 0 -accelerator <F1> -command showAbout
$base configure -menu .menubar
bind $base <F1> showAbout

frame .buttons
button .buttons.about -text About -command showAbout
button .buttons.save -text Save -command saveAll
button .buttons.exit -text Exit -command exitViewer
pack .buttons.about .buttons.save .buttons.exit -side left -expand 1 -fill both
pack .buttons -side bottom -fill both -expand 1

set threads {}
socket -server acceptConnection -myaddr localhost $port
refreshDisplay
