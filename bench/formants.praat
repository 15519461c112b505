# Formant tracks of one sound file with the Burg method, for the benchmark:
# 8 ms time step (128 points at 16 kHz), 5 formants below 5500 Hz,
# 25 ms window, 50 Hz pre-emphasis; the Formant object is saved as text.
#
#   praat --run formants.praat /abs/path/in.wav /abs/path/out.txt
form Formant tracks
  sentence soundPath
  sentence outPath
endform
sound = Read from file: soundPath$
formant = To Formant (burg): 0.008, 5, 5500, 0.025, 50
Save as short text file: outPath$
