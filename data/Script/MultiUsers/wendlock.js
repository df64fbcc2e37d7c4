// Wendlock login script, several users.
//
// Each protected page carries a copy of this file inside its main script
// element. The page defines before it: LoginExpireType, LoginExpireDays,
// LoginIncorrectMode, LoginAlertText, LoginRedirectURL,
// LoginRedirectURLTarget, RefreshPageInIE, USRCSS, PWDCSS, PWDMKK, the
// content array vxpa and the user arrays vxpb (digest of each user's name
// and password) and vxpc (the page secret, enciphered for each user).
// The check for a remembered login starts when the script runs; the
// body's load event calls vxpcheck().
//
// Contract with the login-page template:
//   <form id="vxpform">      the login form; its submit runs the check
//   <input id="vxpuser">     the user name field
//   <input id="vxppass">     the password field
//   <... id="vxperror">      optional, role="alert": gets the alert text
//                            after a wrong login
// The template should carry onsubmit="return false;" on the form so that
// nothing is sent anywhere before the page has finished loading.
//
// Remembered logins keep the user's digest and the key that opens the
// user's vxpc element, joined by "_" (never the password), under the name
// "classic-multi", as remember.js describes: in IndexedDB or the tab's
// sessionStorage, never in a cookie or localStorage. Opening a page with
// #wendlock-logout forgets every remembered login.
//
// Plain ES5 on purpose: it must run in old browsers and from file://.

var vxpcheck = (function () {
  'use strict';

  // @include ui.js
  // @include remember.js
  // @include common.js

  var LOGIN_NAME = 'classic-multi';
  var FIELDS = ['vxpuser', 'vxppass'];
  var DEFAULT_ERROR = 'The user name or password is not correct.';

  var digests = [];
  var userKeys = [];

  function readModeSettings() {
    digests = pageList('vxpb');
    userKeys = pageList('vxpc');
  }

  // Material is the user's digest and the key of the user's vxpc element;
  // that element yields the page secret, and the secret the page key.
  function openWith(material) {
    var m = /^([0-9a-f]{32})_([0-9a-f]{32})$/.exec(material);
    if (!m) {
      return null;
    }
    for (var i = 0; i < digests.length; i++) {
      if (digests[i] === m[1]) {
        var data = base64Decode(userKeys[i]);
        if (data !== null && data.length > 0) {
          var text = pageText(keyFromBytes(unscramble(data, asciiBytes(m[2]))));
          if (text !== null) {
            return text;
          }
        }
      }
    }
    return null;
  }

  function typedMaterial() {
    var name = fieldValue('vxpuser');
    var password = fieldValue('vxppass');
    if (!userCase) {
      name = foldAscii(name);
    }
    if (!passwordCase) {
      password = foldAscii(password);
    }
    // Name digest first, password digest second; the key takes the
    // password first and the name second.
    var digest = md5Hex(asciiBytes(md5HexOfText(name) + md5HexOfText(password)));
    return digest + '_' + keyFromBytes(utf8Bytes(password + name));
  }

  return startChecking();
})();
