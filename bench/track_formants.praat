# Formant tracks of many sound files with Praat's Burg method, for
# bench/track_accuracy.py: each line of listPath is "input<TAB>output<TAB>ceiling";
# the tracks (time and F1..F3, "--undefined--" where missing) go to output
# as a tab-separated table. The other settings are Praat's defaults: time step
# 0 (a quarter of the window), 5 formants, 0.025 s window, 50 Hz pre-emphasis.
#
#   praat --run track_formants.praat /abs/path/list.txt
form Formant tracks of a list of files
  sentence listPath
endform
list = Read Strings from raw text file: listPath$
n = Get number of strings
for i to n
  selectObject: list
  line$ = Get string: i
  tab1 = index (line$, tab$)
  input$ = left$ (line$, tab1 - 1)
  rest$ = mid$ (line$, tab1 + 1, 10000)
  tab2 = index (rest$, tab$)
  output$ = left$ (rest$, tab2 - 1)
  ceiling = number (mid$ (rest$, tab2 + 1, 100))
  sound = Read from file: input$
  formant = To Formant (burg): 0, 5, ceiling, 0.025, 50
  table = Down to Table: "no", "yes", 6, "no", 3, "no", 3, "no"
  Save as tab-separated file: output$
  removeObject: sound, formant, table
endfor
removeObject: list
