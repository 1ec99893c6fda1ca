// Event ids of the bridge and the page-internal event the stretch client listens for.

export const TO_NATIVE_EVENT = "tnToNative";
/** The shell re-dispatches every tnStretchResult on the window under this name. */
export const STRETCH_RESULT_EVENT = "zelmo-stretch-result";
