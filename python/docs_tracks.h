// Docstrings of the formant tracks and the wider reader, written like
// vocana-track's options.
#pragma once

namespace vocana_python {

inline constexpr const char* TRACK_DOC =
    R"(track(samples, rate, *, ceiling=5500, formants=5, window=0.025, step=0.005, pre_emphasis=50, start=None, end=None, channel="mix", times=None, method="autocorrelation", window_shape="hamming")

Formant tracks F1 ... FN of a sound, as vocana-track gives them: frames
every `step`, linear prediction, candidate formants from the roots, and a
dynamic-programming tracker that labels them. Frames of digital silence,
and frames far below the loudest (50 dB), have NaN formants.

Parameters
----------
samples : array
    One channel, or frames x channels as soundfile gives them. Floating-point
    values are on the +-1.0 scale; integer values are 16-bit samples (divided
    by 32768).
rate : int
    Sampling frequency in Hz.
ceiling : float or "auto"
    Highest formant frequency sought in Hz (5500); the sound is resampled to
    twice this rate, upwards too. "auto" chooses it per sound between 4500
    and 8000 Hz, for F1 to F3 that follow smooth curves; the table then has
    a ceiling column.
formants : int
    Number of formant tracks F1 ... FN, 1 to 10 (5).
window : float
    Window length in seconds as Praat's (0.025): the window spans twice this.
step : float
    Time between frames in seconds (0.005).
pre_emphasis : float
    Pre-emphasis from this frequency in Hz (50); 0 for none.
start, end : float or None
    Analyse only this span, in seconds from the sound's start.
channel : "mix" or int
    For several channels: the mean of all ("mix") or channel 1, 2, ...
times : sequence of float or None
    One row per time in seconds, the tracks interpolated there, instead of
    a row per frame (vowel midpoints, say).
method : "autocorrelation" or "burg"
    The linear-prediction method (autocorrelation).
window_shape : "hamming" or "gaussian"
    The analysis window (hamming).

Returns
-------
Tracks
    The columns of vocana-track's table; see help(vocana.Tracks).
)";

inline constexpr const char* TRACK_FILE_DOC =
    R"(track_file(path, *, ceiling=5500, formants=5, window=0.025, step=0.005, pre_emphasis=50, start=None, end=None, channel="mix", times=None, method="autocorrelation", window_shape="hamming")

Formant tracks of a sound file of any format libsndfile reads, as
vocana-track gives them for that file. The keywords are those of track()
(see help(vocana.track)); channel chooses among the file's channels.

Parameters
----------
path : str, bytes or os.PathLike
    The sound file; "-" reads standard input.

Returns
-------
Tracks
    The columns of vocana-track's table; see help(vocana.Tracks).

Raises
------
OSError
    The file cannot be opened, is not a format libsndfile reads, or is empty.
ValueError
    A keyword out of range, or a channel the file does not have.
)";

inline constexpr const char* TRACKS_DOC =
    R"(The formant tracks of vocana.track: the columns of vocana-track's table.

Attributes
----------
columns : tuple of str
    The column names in the table's order.
time : float64 array
    Frame centre (or the time asked) in seconds.
F1 ... FN, B1 ... BN : float64 arrays
    Formant frequencies and bandwidths in Hz; NaN where a track has no value.
intensity : float64 array
    RMS of the frame in dB re full scale; -inf for digital silence.
ceiling : float64 array, with ceiling="auto" only
    The ceiling chosen for the sound, in Hz.
failed_frames : int
    Frames where the root finder failed; their formants are NaN.
)";

inline constexpr const char* TO_PANDAS_DOC = R"(to_pandas()

The columns as a pandas DataFrame, in the table's order (needs pandas).
)";

inline constexpr const char* READ_AUDIO_DOC = R"(read_audio(path, channel="mix")

Read a sound file of any format libsndfile reads (WAV of any sample format,
AIFF, AU, FLAC, NIST, Ogg/Vorbis, ...); "-" reads standard input.

Parameters
----------
path : str, bytes or os.PathLike
channel : "mix" or int
    The mean of all channels ("mix") or channel 1, 2, ...

Returns
-------
(samples, rate)
    samples: float64 array on the +-1.0 scale, as soundfile and librosa give
    them; rate in Hz.

Raises
------
OSError
    The file cannot be opened, is not a format libsndfile reads, or is empty.
ValueError
    The channel is not in the file (the message gives the count).
)";

}  // namespace vocana_python
