// The usage text exactly as vocana writes it.
#pragma once

namespace e2e {

inline constexpr const char* USAGE_TEXT =
    "usage:\tvocana [options] <RIFF or raw file>\n"
    "options:\n"
    "\t-s <sampling frequency in Hz> (default for raw file: 12000)\n"
    "\t-m <LPC order> (default: 14)\n"
    "\t-n <frame length in points> (default: 256)\n"
    "\t-r <frame rate in points> (default: 128)\n"
    "\t-d <beginning point of analysis>\n"
    "\t-e <ending point of analysis>\n"
    "\t-D <beginning point of analysis in msec>\n"
    "\t-E <ending point of analysis in msec>\n"
    "\t-t <threshold> : cut speech samples below <threshold>\n"
    "\t-i             : read big-endian raw (IEEE format) file\n"
    "\t-w <filename>  : write speech wave (time vs amplitude) to <filename>\n"
    "\t-f <filename>  : write formant frequencies to <filename>\n"
    "\t-b <filename>  : write formant bandwidths to <filename>\n"
    "\t-F <filename>  : write FFT spectrum to <filename>\n"
    "\t-S <filename>  : write LPC spectrum to <filename>\n"
    "\t-a <filename>  : write LP coefs to <filename>\n"
    "\t-2 <filename>  : critical 2nd order analysis\n"
    "\t    spectral tilt [dB/oct] at 1kHz are stored in <filename>\n"
    "\t-h             : print this message\n";

}  // namespace e2e
