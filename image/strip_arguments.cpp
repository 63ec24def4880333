#include "image/strip_arguments.h"

std::vector<std::string> stripArguments()
{
    return {
        "-all=",
        // Kept in place, so its bytes (every JPEG APP2 segment, the PNG iCCP chunk, the TIFF
        // tag) stay exactly as they were.
        "--ICC_Profile:all",
        // In a TIFF file IFD0 is the image's own directory, which "-all=" leaves alone; these
        // are the camera's and the author's entries in it.
        "-IFD0:Make=",
        "-IFD0:Model=",
        "-IFD0:Software=",
        "-IFD0:ModifyDate=",
        "-IFD0:Artist=",
        "-IFD0:HostComputer=",
        "-IFD0:ImageDescription=",
        // Deleting the EXIF block takes the orientation with it; this writes it back into a
        // fresh, minimal IFD0.
        "-tagsFromFile",
        "@",
        "-IFD0:Orientation",
        // Deleting the PNG group drops sRGB and gAMA even when excluded, so both are written
        // back. cHRM and cICP are not writable and stay untouched.
        "-PNG:SRGBRendering",
        // The Gamma tag's value is the rounded inverse of the stored number and would not
        // write back the same bytes; this rebuilds it from the stored number itself.
        "-PNG:Gamma<${PNG:Gamma;$_=1e5/unpack('N',$self->GetValue('PNG:Gamma','Raw'))}",
    };
}
