// Ableton Live groove file (.agr): the groove's timing and velocity as one
// MIDI clip of notes on key 36, for Live's groove pool. Lanes are ignored.

import { roundHalfUp } from "../analysis/round";
import { formatShortestNumber } from "./numberText";

export const GROOVE_NAME_MAX_UNITS = 64;

/** What the groove-file writer reads of a groove. */
export interface GrooveFileGroove {
  readonly bpm: number;
  readonly gridPhase: number;
  readonly gridDiv: number;
  readonly steps: number;
  readonly onsets: readonly { readonly time: number; readonly velocity: number }[];
}

/** Escapes for attribute values; apostrophes stay as they are. */
export function escapeXmlAttribute(text: string): string {
  return text
    .replaceAll("&", "&amp;")
    .replaceAll("<", "&lt;")
    .replaceAll(">", "&gt;")
    .replaceAll('"', "&quot;");
}

/** The name plus " Groove", cut to 64 UTF-16 units, escaped. */
export function grooveNameFor(name: string): string {
  return escapeXmlAttribute(`${name} Groove`.slice(0, GROOVE_NAME_MAX_UNITS));
}

/** Length in beats, to a quarter beat, at least one bar. */
export function grooveLengthBeats(steps: number, gridDiv: number): number {
  const beats = roundHalfUp((steps / gridDiv) * 4) / 4;
  return Number.isFinite(beats) ? Math.max(4, beats) : 4;
}

function noteEventText(timeBeats: number, velocity: number, noteId: number): string {
  return (
    `<MidiNoteEvent Time="${formatShortestNumber(timeBeats)}" Duration="0.0625"` +
    ` Velocity="${formatShortestNumber(velocity)}" VelocityDeviation="0" OffVelocity="64"` +
    ` Probability="1" IsEnabled="true" NoteId="${formatShortestNumber(noteId)}" />`
  );
}

export function writeGrooveFile(groove: GrooveFileGroove, name: string): string {
  const beatsPerSec = groove.bpm / 60;
  const events = groove.onsets.map((hit, i) =>
    noteEventText(Math.max(0, (hit.time - groove.gridPhase) * beatsPerSec), hit.velocity, i + 1),
  );
  const fields: Record<string, string> = {
    "[NAME]": grooveNameFor(name),
    "[LENGTH]": formatShortestNumber(grooveLengthBeats(groove.steps, groove.gridDiv)),
    // Following events sit one tab deeper than the first, which takes line 82's own tabs.
    "[NOTES]": events.join("\n" + "\t".repeat(10)),
    "[NEXTID]": formatShortestNumber(events.length + 1),
  };
  // One pass with a replacer function: inserted text is never rescanned and "$" in a name stays literal.
  const lines = TEMPLATE.map(
    ([tabs, text]) => "\t".repeat(tabs) + text.replace(PLACEHOLDER, (placeholder) => fields[placeholder]),
  );
  return lines.join("\n") + "\n";
}

const PLACEHOLDER = /\[(?:NAME|LENGTH|NOTES|NEXTID)\]/g;

/** Leading tabs and text of each line of the document. */
const TEMPLATE: readonly (readonly [number, string])[] = [
  [0, `<?xml version='1.0' encoding='UTF-8'?>`],
  [0, `<Ableton MajorVersion="5" MinorVersion="11.0_432" SchemaChangeCount="2" Creator="Ableton Live 11.0b20" Revision="0b8a4e4c57d92beb7d950cd94e03f4c4f284ad10">`],
  [1, `<Groove>`],
  [2, `<LomId Value="0" />`],
  [2, `<Name Value="[NAME]" />`],
  [2, `<Clip>`],
  [3, `<Value>`],
  [4, `<MidiClip Id="0" Time="0">`],
  [5, `<LomId Value="0" />`],
  [5, `<LomIdView Value="0" />`],
  [5, `<CurrentStart Value="0" />`],
  [5, `<CurrentEnd Value="[LENGTH]" />`],
  [5, `<Loop>`],
  [6, `<LoopStart Value="0" />`],
  [6, `<LoopEnd Value="[LENGTH]" />`],
  [6, `<StartRelative Value="0" />`],
  [6, `<LoopOn Value="true" />`],
  [6, `<OutMarker Value="[LENGTH]" />`],
  [6, `<HiddenLoopStart Value="0" />`],
  [6, `<HiddenLoopEnd Value="[LENGTH]" />`],
  [5, `</Loop>`],
  [5, `<Name Value="[NAME]" />`],
  [5, `<Annotation Value="" />`],
  [5, `<Color Value="11" />`],
  [5, `<LaunchMode Value="0" />`],
  [5, `<LaunchQuantisation Value="0" />`],
  [5, `<TimeSignature>`],
  [6, `<TimeSignatures>`],
  [7, `<RemoteableTimeSignature Id="0">`],
  [8, `<Numerator Value="4" />`],
  [8, `<Denominator Value="4" />`],
  [8, `<Time Value="0" />`],
  [7, `</RemoteableTimeSignature>`],
  [6, `</TimeSignatures>`],
  [5, `</TimeSignature>`],
  [5, `<Envelopes>`],
  [6, `<Envelopes />`],
  [5, `</Envelopes>`],
  [5, `<ScrollerTimePreserver>`],
  [6, `<LeftTime Value="0" />`],
  [6, `<RightTime Value="0" />`],
  [5, `</ScrollerTimePreserver>`],
  [5, `<TimeSelection>`],
  [6, `<AnchorTime Value="0" />`],
  [6, `<OtherTime Value="0" />`],
  [5, `</TimeSelection>`],
  [5, `<Legato Value="false" />`],
  [5, `<Ram Value="false" />`],
  [5, `<GrooveSettings>`],
  [6, `<GrooveId Value="-1" />`],
  [5, `</GrooveSettings>`],
  [5, `<Disabled Value="false" />`],
  [5, `<VelocityAmount Value="0" />`],
  [5, `<FollowAction>`],
  [6, `<FollowTime Value="4" />`],
  [6, `<IsLinked Value="true" />`],
  [6, `<LoopIterations Value="1" />`],
  [6, `<FollowActionA Value="4" />`],
  [6, `<FollowActionB Value="0" />`],
  [6, `<FollowChanceA Value="100" />`],
  [6, `<FollowChanceB Value="0" />`],
  [6, `<JumpIndexA Value="0" />`],
  [6, `<JumpIndexB Value="0" />`],
  [6, `<FollowActionEnabled Value="false" />`],
  [5, `</FollowAction>`],
  [5, `<Grid>`],
  [6, `<FixedNumerator Value="1" />`],
  [6, `<FixedDenominator Value="16" />`],
  [6, `<GridIntervalPixel Value="20" />`],
  [6, `<Ntoles Value="2" />`],
  [6, `<SnapToGrid Value="true" />`],
  [6, `<Fixed Value="true" />`],
  [5, `</Grid>`],
  [5, `<FreezeStart Value="0" />`],
  [5, `<FreezeEnd Value="0" />`],
  [5, `<IsWarped Value="true" />`],
  [5, `<TakeId Value="-1" />`],
  [5, `<Notes>`],
  [6, `<KeyTracks>`],
  [7, `<KeyTrack Id="2">`],
  [8, `<Notes>`],
  [9, `[NOTES]`],
  [8, `</Notes>`],
  [8, `<MidiKey Value="36" />`],
  [7, `</KeyTrack>`],
  [6, `</KeyTracks>`],
  [6, `<PerNoteEventStore>`],
  [7, `<EventLists />`],
  [6, `</PerNoteEventStore>`],
  [6, `<NoteIdGenerator>`],
  [7, `<NextId Value="[NEXTID]" />`],
  [6, `</NoteIdGenerator>`],
  [5, `</Notes>`],
  [5, `<BankSelectCoarse Value="-1" />`],
  [5, `<BankSelectFine Value="-1" />`],
  [5, `<ProgramChange Value="-1" />`],
  [5, `<NoteEditorFoldInZoom Value="-1" />`],
  [5, `<NoteEditorFoldInScroll Value="-1" />`],
  [5, `<NoteEditorFoldOutZoom Value="599" />`],
  [5, `<NoteEditorFoldOutScroll Value="0" />`],
  [5, `<NoteEditorFoldScaleZoom Value="-1" />`],
  [5, `<NoteEditorFoldScaleScroll Value="-1" />`],
  [5, `<ScaleInformation>`],
  [6, `<RootNote Value="0" />`],
  [6, `<Name Value="Major" />`],
  [5, `</ScaleInformation>`],
  [5, `<IsInKey Value="false" />`],
  [5, `<NoteSpellingPreference Value="0" />`],
  [5, `<PreferFlatRootNote Value="false" />`],
  [5, `<ExpressionGrid>`],
  [6, `<FixedNumerator Value="1" />`],
  [6, `<FixedDenominator Value="16" />`],
  [6, `<GridIntervalPixel Value="20" />`],
  [6, `<Ntoles Value="2" />`],
  [6, `<SnapToGrid Value="false" />`],
  [6, `<Fixed Value="false" />`],
  [5, `</ExpressionGrid>`],
  [4, `</MidiClip>`],
  [3, `</Value>`],
  [2, `</Clip>`],
  [2, `<Grid Value="3" />`],
  [2, `<QuantizationAmount Value="0" />`],
  [2, `<TimingAmount Value="100" />`],
  [2, `<RandomAmount Value="0" />`],
  [2, `<VelocityAmount Value="0" />`],
  [2, `<Annotation Value="" />`],
  [2, `<Selection Value="true" />`],
  [2, `<SourceContext />`],
  [1, `</Groove>`],
  [0, `</Ableton>`],
];
