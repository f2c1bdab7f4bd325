# The benchmark's bar chart: each operation's median against its floor's median,
# measured in the same run, one bar per image size, with the targets as marks.
# Called by ./quorvane bench as
#   gnuplot -e "datafile='chart.dat'; outfile='chart.png'; columns=N; subtitle='...'" chart.gp
# chart.dat (written by qv_bench) has a comment line with the machine and date, a header
# line, then per row a quoted label, one value per size ("-" when not measured) and the
# target ("-" for none), tab-separated.
set terminal pngcairo size 1280,720 font "DejaVu Sans,11" noenhanced
set output outfile
set datafile separator "\t"
set datafile missing "-"
set key autotitle columnheader top left
set title sprintf("QuorvaneNative: operations against their floors, same run\n%s", subtitle)
set ylabel "median / floor median (log scale; own overhead: share of 50 us)"
set logscale y
set yrange [0.1:40]
set ytics (0.1, 0.25, 0.5, 1, 1.15, 1.3, 2, 3, 5, 8, 15, 30)
set grid ytics lc rgb "#d0d0d0"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border rgb "#404040"
set boxwidth 0.9
set xtics rotate by -30 left nomirror
set bmargin 9
set rmargin 4
plot for [c=2:columns-1] datafile using c:xtic(1), \
     datafile using 0:columns with points pt 9 ps 2.2 lc rgb "#b00000" title "target (at most)"
