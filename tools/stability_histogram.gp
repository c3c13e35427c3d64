# gnuplot -e "data='...'; output='...'" tools/stability_histogram.gp
if (strstrt(GPVAL_TERMINALS, "pngcairo") > 0) {
  set terminal pngcairo size 900,500 font ",11"
} else {
  set terminal png size 900,500
}
set output output
set title "quorvane: largest relative error of the known solutions, per system"
set xlabel "log10 of the largest relative error"
set ylabel "share of systems (%)"
set key top right
set grid ytics
set style fill solid 0.5 noborder
set boxwidth 0.11
set xrange [-17:0.5]
plot data using ($1-0.06):2 with boxes title columnheader(2), \
     data using ($1+0.06):3 with boxes title columnheader(3)
