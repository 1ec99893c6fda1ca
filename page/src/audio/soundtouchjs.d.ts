// The slice of soundtouchjs the page uses (the package ships no types).
declare module "soundtouchjs" {
  export class FifoSampleBuffer {
    readonly frameCount: number;
    putSamples(samples: Float32Array, position?: number, numFrames?: number): void;
    receiveSamples(output: Float32Array, numFrames?: number): void;
  }
  export class Stretch {
    setParameters(sampleRate: number, sequenceMs: number, seekWindowMs: number, overlapMs: number): void;
    quickSeek: boolean;
  }
  export class SoundTouch {
    tempo: number;
    readonly stretch: Stretch;
    readonly inputBuffer: FifoSampleBuffer;
    readonly outputBuffer: FifoSampleBuffer;
    process(): void;
  }
}
