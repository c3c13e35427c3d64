# gnuplot -e "data='...'; output='...'; columns=N; method='standard'" tools/stability_histogram.gp
# One line per family: the share of systems per bin of the log10 error of their worst known
# solution against its best point. The rightmost bin holds everything at or above 1e0.
if (strstrt(GPVAL_TERMINALS, "pngcairo") > 0) {
  set terminal pngcairo size 1200,650 font ",10"
} else {
  set terminal png size 1200,650
}
set output output
set title sprintf("quorvane, %s method: largest relative error of the known solutions against their best points, per system", method)
set xlabel "log10 of the largest relative error (-17: at the best point)"
set ylabel "share of systems (%)"
set key outside right top
set grid ytics
set logscale y
set yrange [0.005:100]
set xrange [-17.5:0.5]
plot for [i=2:columns] data using 1:(column(i) > 0 ? column(i) : 1/0) with linespoints pointsize 0.6 title columnheader(i)
