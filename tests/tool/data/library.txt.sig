eccrypt signature 2
untrusted comment: 
prehash: sha256
key id: 59BC3E39FCF15392
trusted comment: made by the library
signature: Fe+-AkOWTGKSeHP5TADUz5XcB75jJdCc+rj1mEny:JmDWTdhU1TP1PuGJ0kS0QyIDX3CcFRbBg23EobbR
