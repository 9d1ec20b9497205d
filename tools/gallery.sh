#!/usr/bin/env bash
# Renders the gallery: about thirty equations that together use every construct the typesetter
# knows, each to PNG and SVG under docs/gallery/. Look at them after any change to measuring or
# drawing: bars, root signs, stretched brackets and baselines should all sit right.
#
# Usage: tools/gallery.sh [OUT_DIR]    (KALVANE_CLI: the program, default build/src/kalvane-cli;
#                                      KALVANE_GALLERY_DPI: PNG resolution, default 200)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/docs/gallery}"
cli="${KALVANE_CLI:-$root/build/src/kalvane-cli}"
dpi="${KALVANE_GALLERY_DPI:-200}"
mkdir -p "$out"

# name | extra arguments (settings) | equation text ("\n" separates equation lines)
gallery=(
  'quadratic||x=(-b+-sqrt(b2-4ac))/2a'
  'continued-fraction||1+1/(2+1/(3+1/4))'
  'fraction-in-root||sqrt(a/b)=sqrt a/sqrt b'
  'nested-roots||3root(x+sqrt(x+1))'
  'root-index-bracket||(n+1)root(x\n)'
  'powers||(a+b)2=a2+2ab+b2'
  'exponent-group||A=P(1+r/n)^(nt)'
  'subscripts||a\(n+1)=2a\n+1'
  'functions||sin^2 x+cos^2 x=1'
  'inverse-function||tan-1(1)=pi/4'
  'logarithm||log\a x=ln x/ln a'
  'integral||int(0,1)x2dx=1/3'
  'integral-style-1|--set IntegralStyle=1|int(-inf,inf)e^(-x2)dx=sqrt pi'
  'sum||sigma(k=0,inf)x^k/(k!)=e^x'
  'product||product(i=1,n)i=n!'
  'limit||lim(x->0+)1/x=inf'
  'brackets||{a+[b-(c+d)]}'
  'tall-brackets||((x-h)2)/a2+((y-k)2)/b2=1'
  'absolute-values|||a+b|<=|a|+|b|'
  'bracket-limits||[x2/2]^1,0=1/2'
  'matrix||A^(-1)=1/(ad-bc)(d,-c -b,a)'
  'determinant||[1,0,0 0,1,0 0,0,1]'
  'column-vector||v=(1,2,3)'
  'vector-two-capitals||AB+BC=AC'
  'vector-bold|--set DisplayVect=0|v=3i+4j-2k'
  'vector-underline|--set DisplayVect=1|v=3i+4j-2k'
  'vector-tilde|--set DisplayVect=2|v=3i+4j-2k'
  'vector-arrow|--set DisplayVect=3|v=3i+4j-2k'
  'accents||x_=SIx/n, F=mx::, 0.3:=1/3'
  'units||V=4cm*3cm*2cm=24cm3'
  'scientific||G=6.67E-11'
  'quoted-text||"speed"=("distance")/("time")'
  'greek-relations||al+be+ga=180o, pi~~3.14, x>=0'
  'several-lines||f(x)=x2 "for" x>=0\nf(x)=-x "for" x<0'
)

for entry in "${gallery[@]}"; do
  IFS='|' read -r name settings text <<< "$entry"
  text="${text//\\n/$'\n'}"
  read -r -a extra <<< "$settings"
  for format in png svg; do
    "$cli" render "${extra[@]}" --dpi "$dpi" --background white -o "$out/$name.$format" -- "$text"
  done
  echo "$name"
done
