// File names of the built-in kits' one-shots, as the page requests them.

import type { KitId, Voice } from "../synth/index.ts";

export const KIT_FILE_NAMES: Record<KitId, Record<Voice, string>> = {
  session: { kick: "kick-7QJLqPNU.wav", snare: "snare-XLNZRdyd.wav", hat: "hat-zrbPMS1Y.wav" },
  dry: { kick: "kick-7Qd1nqad.wav", snare: "snare-n78LVvYp.wav", hat: "hat-DTduP_ZQ.wav" },
  jazz: { kick: "kick-ean3Oq0g.wav", snare: "snare-CDPKsuTJ.wav", hat: "hat-BHqRO6rC.wav" },
  funk: { kick: "kick-B5lHs_y1.wav", snare: "snare-HAuwIW3Q.wav", hat: "hat-DVKFttGd.wav" },
  rock: { kick: "kick-qQ4TE5CK.wav", snare: "snare-C0SXY7le.wav", hat: "hat-DjEKkJJx.wav" },
  indie: { kick: "kick-BEMhoZXI.wav", snare: "snare-DdKIqC6W.wav", hat: "hat-B6UVBJS7.wav" },
};

export const LOGO_FILE_NAME = "logo-cropped-DhtTS-BP.png";
