// The product logo is one of the embedded media files (generated into resources/ by the media
// build) and is served next to the page under this name.
export const LOGO_URL = "logo-cropped-DhtTS-BP.png";
