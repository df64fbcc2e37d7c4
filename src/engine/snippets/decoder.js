// vx_dc(s): undoes the scramble of the stored option scripts and writes the
// result into the document. Every character below 128 was XORed with a
// fixed constant; the generator puts that constant in place of VX_K. The
// text is gathered in pieces of 99 characters so that long texts do not
// grow one string a character at a time.
//
// Stored form of every file here: whole-line // comments and blank lines
// are dropped and each line is trimmed; the lines are joined with "\n".
function vx_dc(s) {
    var d = "", a = [], k = 0, i, x;
    for (i = 0; i < s.length; i++) {
        x = s.charCodeAt(i);
        if (x < 128) {
            x ^= VX_K;
        }
        d += String.fromCharCode(x);
        k++;
        if (k % 99 == 0) {
            a.push(d);
            d = "";
        }
    }
    document.write(a.join("") + d);
}
