# Formant tracks of one sound file with the Burg method, for the benchmark;
# the Formant object is saved as text.
#
#   praat --run formants.praat /abs/in.wav /abs/out.txt STEP FORMANTS CEILING WINDOW PREEMPHASIS
#
# with the arguments of To Formant (burg): time step [s] (0: a quarter of the
# window), number of formants, ceiling [Hz], window length [s], pre-emphasis
# from [Hz]. The benchmark uses 0.008 5 5000 0.016 50 (time step and window
# equal to vocana's 128 and 256 points at 16 kHz), 0.008 5 5500 0.025 50 and
# Praat's defaults 0 5 5500 0.025 50.
form Formant tracks
  sentence soundPath
  sentence outPath
  real timeStep 0.008
  natural maximumFormants 5
  positive ceiling 5500
  positive windowLength 0.025
  positive preEmphasis 50
endform
sound = Read from file: soundPath$
formant = To Formant (burg): timeStep, maximumFormants, ceiling, windowLength, preEmphasis
Save as short text file: outPath$
