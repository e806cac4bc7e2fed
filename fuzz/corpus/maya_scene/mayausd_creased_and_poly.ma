//Maya ASCII 2022 scene
//Name: UsdExportMeshTest.ma
//Last modified: Mon, Nov 07, 2022 05:29:01 PM
//Codeset: UTF-8
requires maya "2022";
createNode mesh -n "polyShape" -p "poly";
	rename -uid "F18048C0-0000-66FA-5854-06E20000025F";
	addAttr -ci true -sn "mgi" -ln "mayaGprimID" -dt "string";
	addAttr -ci true -sn "USD_subdivisionScheme" -ln "USD_subdivisionScheme" -dt "string";
	addAttr -ci true -sn "USD_ATTR_faceVaryingLinearInterpolation" -ln "USD_ATTR_faceVaryingLinearInterpolation" 
		-dt "string";
	addAttr -ci true -sn "USD_EmitNormals" -ln "USD_EmitNormals" -min 0 -max 1 -at "bool";
	setAttr -k off ".v";
	setAttr ".vir" yes;
	setAttr ".vif" yes;
	setAttr ".uvst[0].uvsn" -type "string" "map1";
	setAttr -s 14 ".uvst[0].uvsp[0:13]" -type "float2" 0.375 0 0.625 0 0.375
		 0.25 0.625 0.25 0.375 0.5 0.625 0.5 0.375 0.75 0.625 0.75 0.375 1 0.625 1 0.875 0
		 0.875 0.25 0.125 0 0.125 0.25;
	setAttr ".cuvs" -type "string" "map1";
	setAttr ".dcc" -type "string" "Ambient+Diffuse";
	setAttr ".ds" no;
	setAttr ".covm[0]"  0 1 1;
	setAttr ".cdvm[0]"  0 1 1;
	setAttr -s 8 ".vt[0:7]"  -0.5 -0.5 -0.5 0.5 -0.5 -0.5 -0.5 -0.5 0.5
		 0.5 -0.5 0.5 -0.5 0.5 0.5 0.5 0.5 0.5 -0.5 0.5 -0.5 0.5 0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"  0 1 0 2 3 0 4 5 0 6 7 0 0 2 0 1 3 0 2 4 0
		 3 5 0 4 6 0 5 7 0 6 0 0 7 1 0;
	setAttr -s 6 -ch 24 ".fc[0:5]" -type "polyFaces" 
		f 4 0 5 -2 -5
		mu 0 4 0 1 3 2
		f 4 1 7 -3 -7
		mu 0 4 2 3 5 4
		f 4 2 9 -4 -9
		mu 0 4 4 5 7 6
		f 4 3 11 -1 -11
		mu 0 4 6 7 9 8
		f 4 -12 -10 -8 -6
		mu 0 4 1 10 11 3
		f 4 10 4 6 8
		mu 0 4 12 0 2 13;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 0 ;
	setAttr ".cvd" -type "dataPolyComponent" Index_Data Vertex 0 ;
	setAttr ".pd[0]" -type "dataPolyComponent" Index_Data UV 0 ;
	setAttr ".hfd" -type "dataPolyComponent" Index_Data Face 0 ;
	setAttr ".mgi" -type "string" "ID_d97c1ddc-ac7f-457f-b695-b70e17ea65e7";
	setAttr -k on ".USD_subdivisionScheme" -type "string" "none";
	setAttr -k on ".USD_ATTR_faceVaryingLinearInterpolation" -type "string" "all";
	setAttr ".USD_EmitNormals" yes;
createNode mesh -n "creasedShape" -p "creased";
	rename -uid "3C1599C0-0000-0CF1-5F06-03ED00000289";
	setAttr -k off ".v";
	setAttr ".iog[0].og[0].gcl" -type "componentList" 1 "e[0:11]";
	setAttr ".vir" yes;
	setAttr ".vif" yes;
	setAttr ".uvst[0].uvsn" -type "string" "map1";
	setAttr ".cuvs" -type "string" "map1";
	setAttr ".dcc" -type "string" "Ambient+Diffuse";
	setAttr ".ds" no;
	setAttr -s 8 ".vt[0:7]"  -0.5 -0.5 0.5 0.5 -0.5 0.5 -0.5 0.5 0.5 0.5 0.5 0.5
		 -0.5 0.5 -0.5 0.5 0.5 -0.5 -0.5 -0.5 -0.5 0.5 -0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"  0 1 1 1 3 1 3 2 1 2 0 1 3 5 1 5 4 1 4 2 1
		 5 7 1 7 6 1 6 4 1 7 1 1 0 6 1;
	setAttr -s 6 -ch 24 ".fc[0:5]" -type "polyFaces" 
		f 4 0 1 2 3
		f 4 -3 4 5 6
		f 4 -6 7 8 9
		f 4 -9 10 -1 11
		f 4 -11 -8 -5 -2
		f 4 -12 -4 -7 -10;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 12 
		0 10 
		1 10 
		2 10 
		3 10 
		4 10 
		5 10 
		6 10 
		7 10 
		8 10 
		9 10 
		10 10 
		11 10 ;
	setAttr ".cvd" -type "dataPolyComponent" Index_Data Vertex 0 ;
	setAttr ".pd[0]" -type "dataPolyComponent" Index_Data UV 0 ;
	setAttr ".hfd" -type "dataPolyComponent" Index_Data Face 0 ;
// End of UsdExportMeshTest.ma
