// Typed access to the page-global `ostrelDesktop` that the inline head script of plugin.html
// defines. Its members turn export, stretch and preview requests into bridge messages.

export interface ExportFile {
  filename: string;
  base64: string;
}

export interface StretchRequest {
  reqId: string;
  base64: string;
  ratio: number;
}

export interface DesktopShim {
  readonly version: "plugin";
  readonly platform: "juce";
  startDragMidi(file: ExportFile): void;
  saveMidi(file: ExportFile): void;
  downloadFile(file: ExportFile): void;
  stretch(request: StretchRequest): void;
  preview: {
    buffer(args: { base64: string; loopEndSec: number }): void;
    play(args: { offsetSec: number }): void;
    shot(args: { base64: string; fromSec: number }): void;
    stop(): void;
  };
  startDragSample(...args: unknown[]): void;
  onDragFailed(...args: unknown[]): void;
}

export function desktopShim(): DesktopShim | undefined {
  return (globalThis as { ostrelDesktop?: DesktopShim }).ostrelDesktop;
}
