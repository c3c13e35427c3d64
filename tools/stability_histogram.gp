# gnuplot -e "data='...'; output='...'; columns=N; method='standard'" tools/stability_histogram.gp
# Small multiples, one panel per family on the same axes: the share of systems per bin of the
# log10 error of their worst known solution against its best point. The rightmost bin holds
# everything at or above 1e0.
families = columns - 1
across = 4
down = int((families + across - 1) / across)
if (strstrt(GPVAL_TERMINALS, "pngcairo") > 0) {
  set terminal pngcairo size 1400, 60 + 230 * down font ",9"
} else {
  set terminal png size 1400, 60 + 230 * down
}
set output output
set multiplot layout down, across title sprintf("quorvane, %s method: share of systems (%%, log scale) by log10 of the largest relative error of the known solutions against their best points (-17: at the best point)", method)
set logscale y
set yrange [0.005:800]
set xrange [-17.5:0.5]
set xtics -16, 4, 0
set ytics ("0.01" 0.01, "0.1" 0.1, "1" 1, "10" 10, "100" 100)
set grid xtics ytics
set key top right opaque samplen 0
set lmargin 6
set rmargin 1
set tmargin 1
set bmargin 2
do for [i=2:columns] {
  plot data using 1:(column(i) > 0 ? column(i) : 1/0) with linespoints pointtype 7 pointsize 0.4 \
       linecolor rgb "#1f5fa8" title columnheader(i)
}
unset multiplot
