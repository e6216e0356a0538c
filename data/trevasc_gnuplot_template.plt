# gnuplot 5 script template of trevasc's map export ("Gnuplot" menu of the 2 Axis Plot window).
#
# For every export trevasc writes a script from this file, line by line:
#   - the data file's path replaces the DATAFILE placeholder and the picture's path the
#     OUTPUTFILE placeholder (each written between hash signs, first occurrence per line);
#   - a line marked COLORONLY is kept only for the colour exports, BWONLY only for the black and
#     white ones, SCREENONLY only for the two "Open" entries, PNGONLY only for the two PNG
#     entries, and NOCONTOURONLY only when "Contour lines" is switched off (again each marker
#     written between hash signs; trevasc removes it from the line it keeps);
#   - empty lines are left out.
# The data file holds one block per scan of the map: X, Y and log10(counts + 1).

set encoding utf8
set terminal pngcairo enhanced size 1400,1050 font "Liberation Sans,16" linewidth 1.5 #PNGONLY#
set output '#OUTPUTFILE#' #PNGONLY#
set terminal wxt enhanced size 1000,750 font "Liberation Sans,11" persist #SCREENONLY#

datafile = '#DATAFILE#'
set autoscale fix

# Each scan is one block of the data file. pm3d fills the quadrangles between neighbouring
# scans; contour lines need scans of equal length.
stats datafile using (column(-1)) nooutput
scans = int(STATS_max) + 1
equalScans = (STATS_records % scans == 0)

# A reciprocal space map has k_parallel and k_perpendicular below 5/Å (2/lambda for every
# usual anode); a measured map has 2Theta in degrees. Edit the titles here for other axes.
stats datafile using 1:2 nooutput
reciprocal = (STATS_min_x > -5 && STATS_max_x < 5 && STATS_min_y > -5 && STATS_max_y < 5)
# A single scan spans no second axis: one degree (or 0.1/Å) around it, as in the map window.
if (STATS_min_y == STATS_max_y) {
    halfHeight = reciprocal ? 0.05 : 0.5
    set yrange [STATS_min_y - halfHeight : STATS_max_y + halfHeight]
}
if (reciprocal) {
    set xlabel "k_{∥} [1/Å]"
    set ylabel "k_{⊥} [1/Å]"
} else {
    set xlabel "2θ [°]"
    set ylabel "ω [°]"
}
set cblabel "Intensity [counts]"

# The third column is log10(counts + 1): the colour bar is labelled in counts.
set format cb "10^{%.0f}"
set cbtics 1
set cbrange [0:*]

set view map
set pm3d map
set pm3d noborder
unset key
set tics out nomirror scale 0.7
set border linewidth 1.2
set tmargin 2
set offsets 0, 0, 0, 0

# The map window's scale: black, blue, cyan, green, yellow, red, white.
set palette defined (0 "black", 1 "blue", 2 "cyan", 3 "green", 4 "yellow", 5 "red", 6 "white") #COLORONLY#
# Black and white for print: white where nothing was counted.
set palette defined (0 "white", 1 "black") #BWONLY#

# Contour lines every half decade of counts from about 30 counts up (the background below them
# would only add noise).
contours = equalScans
contours = 0 #NOCONTOURONLY#
set cntrparam levels incremental 1.5, 0.5, 10
set cntrparam bspline
unset clabel
set style line 1 linecolor rgb "#80FFFFFF" linewidth 0.6 #COLORONLY#
set style line 1 linecolor rgb "#A0404040" linewidth 0.6 #BWONLY#

if (scans < 2) {
    # A single scan has no neighbour to fill towards: its points are drawn as marks.
    splot datafile using 1:2:3 with points pointtype 5 pointsize 1.5 palette notitle
} else {
    if (contours) {
        set contour base
        splot datafile using 1:2:3 with pm3d notitle, \
              datafile using 1:2:3 with lines linestyle 1 nosurface notitle
    } else {
        splot datafile using 1:2:3 with pm3d notitle
    }
}
