// Docstrings of the analysis, written like the manual page's options.
#pragma once

namespace vocana_python {

inline constexpr const char* ANALYZE_DOC =
    R"(analyze(samples, rate=None, *, order=None, frame_length=256, frame_rate=None, start=None, end=None, threshold=0, critical=False, spectra=False, threads=1)

The analysis the vocana program performs, on the caller's samples: the span
is cut into frames weighted with a Hamming window; each frame gets its LP
coefficients by the autocorrelation method and the Durbin recursion (or, with
critical=True, a critically damped second-order fit and its spectral tilt),
its formants from the roots of the LP polynomial and, on request, its FFT and
LPC power spectra. The numbers are the program's, bit for bit.

Parameters
----------
samples : 1-D array
    One channel. Integer arrays are taken as 16-bit samples (every value must
    lie in [-32768, 32767]); an int16 array is read in place. Floating-point
    arrays are on the +-1.0 scale, as soundfile and librosa give them: each
    value is multiplied by 32768, rounded half away from zero and clipped to
    [-32768, 32767] (NaN is refused). The caller's array is never modified.
rate : int or None
    Sampling frequency in Hz (-s), at least 1. None: 12000, as for a raw file.
order : int or None
    LPC order (-m), 1 to 20. None: 14, or 2 with critical=True, which allows
    no other order. A frame yields at most (order + 1) // 2 formants.
frame_length : int
    Frame length in points (-n), 1 to 4096. The spectra are computed over the
    frame length rounded up to a power of two, the frame padded with zeros;
    for any other length each spectrum adds a caution to `messages`.
frame_rate : int or None
    The hop in points from one frame start to the next (-r), at least 1.
    None: frame_length // 2, as -n alone gives.
start, end : int or None
    First and last point (sample index from 0, both included) of the
    analysis span (-d, -e); end at most len(samples) - 1. None (or -1): found
    by the threshold.
threshold : int
    Sample magnitude of the speech-span detection (-t). With 0 every sample
    qualifies and an unset end is the end of the samples; otherwise an unset
    start (end) is the first (last) sample whose magnitude reaches it. Cannot
    be used with both start and end given.
critical : bool
    Critical second-order analysis (-2): order 2, a double real pole fitted
    to each frame and its spectral tilt at 1 kHz in dB/octave. A frame with no
    admissible fit is not analysed.
spectra : bool
    Compute the FFT and LPC power spectra of every frame (-F, -S).
threads : int
    Frames analysed side by side; 0: every core. Default 1: the caller
    decides, e.g. by analysing several sounds on Python threads (the GIL is
    released during the analysis). The results do not depend on it.

Returns
-------
Analysis
    One row per whole frame of the span, in order; see help(vocana.Analysis).

Raises
------
ValueError
    A setting out of range, conflicting settings, a span beyond the samples,
    a failed span detection, or a span shorter than one frame; the message is
    the program's line for it.
RuntimeError
    The root finder did not converge in a frame ("too many iterations in
    laguer"). The exception's attribute `analysis` holds the frames up to
    that one, which is the last and not analysed.
)";

inline constexpr const char* ANALYSIS_DOC =
    R"(The result of vocana.analyze: one row per frame, every attribute a numpy array.

Attributes
----------
start : int64 array (frames)
    The frame's first point (sample index).
time_ms : float64 array (frames)
    start / rate * 1000 in ms, rounded to single precision, as the program
    prints it with "%7.2f".
analyzed : bool array (frames)
    False for a frame with no result: digital silence (no LP model), a pole on
    the imaginary axis (no formants), or in the critical mode a refused fit.
    The program writes no result line for such a frame, only a "not analyzed"
    line among `messages`.
formants, bandwidths : float64 array (frames x (order + 1) // 2)
    Formant frequencies and their bandwidths in Hz, ascending, in the first
    columns of each row; NaN after the frame's formant count, and in frames
    not analysed.
coefs : float64 array (frames x order)
    LP coefficients a[1] ... a[order] of A(z) = 1 + a[1] z^-1 + ...; a[0] = 1
    is left out. NaN where the frame has no LP model. Also set when a pole on
    the imaginary axis left the frame without formants.
error : float64 array (frames)
    The residual error energy of the LP model (units of the autocorrelation at
    lag 0); NaN where the frame has no LP model.
frequencies : float64 array (points), or None without spectra
    The frequencies of the spectrum points in Hz: i * rate / N, i = 0 ... N/2,
    N the frame length rounded up to a power of two.
fft, lpc : float64 array (frames x points), or None without spectra
    The FFT power spectrum of the windowed frame and the power spectrum of
    the LP model, in dB; NaN rows for frames not analysed. A bin of zero power
    is -inf.
tilt : float64 array (frames), or None outside the critical mode
    The spectral tilt of the second-order model at 1 kHz in dB/octave; NaN
    where the fit was refused.
messages : list of str
    The lines the program writes on standard error during the analysis, each
    ending in a newline, in order: "not analyzed" lines with the lines that
    explain them, and the cautions of the spectra.
)";

}  // namespace vocana_python
