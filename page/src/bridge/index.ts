// The page's side of the bridge: typed messages, the JUCE transport and the head shim.
export { emitToNative, onNativeEvent, hasBackend, juceBridge, type Bridge } from "./juce.ts";
export { STRETCH_RESULT_EVENT, TO_NATIVE_EVENT } from "./events.ts";
export { desktopShim, type DesktopShim, type ExportFile, type StretchRequest } from "./shim.ts";
export {
  INITIAL_STATUS,
  type NativeEventId,
  type NativeEventMap,
  type PageMessage,
  type RestorePayload,
  type StatusRecord,
  type StretchResultPayload,
} from "./messages.ts";
